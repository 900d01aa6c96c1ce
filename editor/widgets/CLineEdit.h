#pragma once

#include "MemProxy.h"

#include <QLineEdit>

class QValidator;

// Frameless line edit bound to one text parameter, with an explicit edit phase: the text is written when
// the edit is accepted and restored when it is aborted; GUI thread only.
class CLineEdit : public QLineEdit, public MemProxy
{
    Q_OBJECT
    Q_PROPERTY(QString validatorRegExp READ validatorRegExp WRITE setValidatorRegExp)
    Q_PROPERTY(bool endTrim READ endTrim WRITE setEndTrim)
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress)

public:
    explicit CLineEdit(QWidget* parent = nullptr);

    QString validatorRegExp() const { return m_validatorRegExp; }
    void setValidatorRegExp(const QString& pattern);
    bool endTrim() const { return m_endTrim; }
    void setEndTrim(bool on) { m_endTrim = on; }
    bool isEditing() const { return m_editing; }

    void assignMemAPI() override;
    void updateMemAPI() override;

public slots:
    void accept();
    void abort();

signals:
    void started();
    void accepted();
    void aborted();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private slots:
    void updateText();

private:
    QString m_validatorRegExp;
    bool m_endTrim = false;
    QValidator* m_validator = nullptr;
    bool m_editing = false;
    // Set while the field takes its text from the parameter.
    bool m_loading = false;
    QString m_keptText;
};
