#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <functional>
#include <vector>

namespace kwplugins {

// UTF-8 output that escapes text as the document writer does: attribute values and text nodes keep ">" except
// after "]]", attribute values also encode line ends and tabs. Hands its bytes on in pieces of about a megabyte,
// so that writing a large file never holds it whole. One thread at a time.
class XmlOutput
{
public:
    enum class Escape
    {
        None,
        Attribute,
        Text
    };

    // The sink takes each piece; a false result stops the output, and every later write is dropped.
    explicit XmlOutput(std::function<bool(const QByteArray&)> sink);

    void append(const char* text, qsizetype length) { appendBytes(text, length); }
    template <qsizetype N> void append(const char (&text)[N]) { appendBytes(text, N - 1); }
    void append(const QByteArray& bytes) { appendBytes(bytes.constData(), bytes.size()); }
    void appendEscaped(QStringView text, Escape escape);
    void appendIndent(int depth);
    void appendNumber(qint64 number);

    // Hands on what is left; false when the sink refused any piece.
    bool finish();

private:
    void appendBytes(const char* bytes, qsizetype length);
    char* reserve(qsizetype length);
    void flushIfFull();

    std::function<bool(const QByteArray&)> m_sink;
    QByteArray m_buffer;
    bool m_failed = false;
};

// Writes a tree node by node in the layout of the document writer with an indent of 4: each element on a line
// of its own, indented by its depth, except beside text, which is never padded; empty elements closed with
// "/>"; text left out when it is only blanks. As a stream it cannot look ahead, so it holds back each line end
// until it knows whether text follows. One thread at a time.
class DomStyleWriter
{
public:
    explicit DomStyleWriter(XmlOutput* out) : m_out(out) {}

    void startElement(QStringView name);
    void attribute(QStringView name, QStringView value);
    void endElement();
    void characters(QStringView text, bool isCDATA);
    void comment(QStringView text);
    void processingInstruction(QStringView target, QStringView data);
    // Marks the place of an element written by other means; the output up to here includes its indent, and
    // its line end comes with what follows.
    void elementWrittenElsewhere();
    int depth() const { return int(m_open.size()); }

private:
    enum class Kind
    {
        None,
        Text,
        Other
    };
    struct Open
    {
        QByteArray name;
        bool startTagOpen = true;
        Kind lastChild = Kind::None;
    };

    // Settles what waits on the kind of the next node: the end of the parent's start tag or a line end.
    void beginChild(Kind kind);

    XmlOutput* m_out;
    std::vector<Open> m_open;
    bool m_lineEndPending = false;
};

} // namespace kwplugins
