#include "CLineEdit.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

CLineEdit::CLineEdit(QWidget* parent)
    : QLineEdit(parent)
{
    setFocusPolicy(Qt::ClickFocus);
    setFrame(false);
    connect(this, &QLineEdit::editingFinished, this, &CLineEdit::accept);
    connect(this, &QLineEdit::returnPressed, this, &CLineEdit::accept);
    connect(this, &QLineEdit::textChanged, this, &CLineEdit::updateText);
}

void CLineEdit::setValidatorRegExp(const QString& pattern)
{
    m_validatorRegExp = pattern;
    delete m_validator;
    m_validator = nullptr;
    if (!pattern.isEmpty()) {
        m_validator = new QRegularExpressionValidator(QRegularExpression(pattern), this);
    }
    setValidator(m_validator);
}

void CLineEdit::focusInEvent(QFocusEvent* e)
{
    if (!m_editing) {
        m_editing = true;
        m_keptText = text();
        emit started();
    }
    QLineEdit::focusInEvent(e);
}

void CLineEdit::focusOutEvent(QFocusEvent* e)
{
    if (m_editing && !hasAcceptableInput()) {
        abort();
    }
    QLineEdit::focusOutEvent(e);
    // The line edit reports a finished edit on focus loss only when the text changed; an edit left
    // unchanged must end here too, or the next focus-in would not start a new one.
    if (m_editing && e->reason() != Qt::PopupFocusReason && hasAcceptableInput()) {
        accept();
    }
}

void CLineEdit::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape) {
        abort();
    } else {
        QLineEdit::keyPressEvent(e);
    }
    e->accept();
}

void CLineEdit::accept()
{
    if (!m_editing) {
        return;
    }
    m_editing = false;
    if (m_endTrim) {
        static const QRegularExpression trailingBlanks(QStringLiteral("[ \t]+$"));
        QString trimmed = text();
        trimmed.replace(trailingBlanks, QString());
        setText(trimmed);
    }
    updateText();
    clearFocus();
    emit accepted();
}

void CLineEdit::abort()
{
    if (!m_editing) {
        return;
    }
    m_editing = false;
    clearFocus();
    setText(m_keptText);
    emit aborted();
}

void CLineEdit::updateText()
{
    if (!m_editing && !m_loading) {
        setMemAPIString(text());
    }
}

void CLineEdit::updateMemAPI()
{
    if (isBound()) {
        // Showing the value writes nothing back: a value longer than the field shows cut, and stays whole.
        m_loading = true;
        setText(getMemAPIString());
        m_loading = false;
    }
}

void CLineEdit::assignMemAPI()
{
    MemProxy::assignMemAPI();
    updateMemAPI();
}

void CLineEdit::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu* menu = createStandardContextMenu();
    menu->setFont(window()->font());
    menu->exec(e->globalPos());
    delete menu;
}
