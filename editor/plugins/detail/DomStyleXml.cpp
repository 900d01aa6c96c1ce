#include "DomStyleXml.h"

#include <algorithm>
#include <cstring>

namespace kwplugins {

namespace {

constexpr qsizetype kPieceBytes = 1024 * 1024;
// The longest form one UTF-16 unit can take: "&quot;" or three bytes of UTF-8.
constexpr qsizetype kMaxBytesPerUnit = 6;

} // namespace

XmlOutput::XmlOutput(std::function<bool(const QByteArray&)> sink) : m_sink(std::move(sink)) {}

// The buffer grows with the output up to about a piece, so that a small file never takes a megabyte.
char* XmlOutput::reserve(qsizetype length)
{
    const qsizetype needed = m_buffer.size() + length;
    if (m_buffer.capacity() < needed) {
        m_buffer.reserve(
            std::max({needed, std::min(2 * m_buffer.capacity(), kPieceBytes + kPieceBytes / 16), qsizetype(4096)}));
    }
    return m_buffer.data() + m_buffer.size();
}

void XmlOutput::flushIfFull()
{
    if (m_buffer.size() < kPieceBytes) {
        return;
    }
    if (!m_failed && !m_sink(m_buffer)) {
        m_failed = true;
    }
    m_buffer.resize(0);
}

void XmlOutput::appendBytes(const char* bytes, qsizetype length)
{
    std::memcpy(reserve(length), bytes, size_t(length));
    m_buffer.resize(m_buffer.size() + length);
    flushIfFull();
}

void XmlOutput::appendIndent(int depth)
{
    const qsizetype length = qsizetype(depth) * 4;
    std::memset(reserve(length), ' ', size_t(length));
    m_buffer.resize(m_buffer.size() + length);
}

void XmlOutput::appendNumber(qint64 number)
{
    append(QByteArray::number(number));
}

void XmlOutput::appendEscaped(QStringView text, Escape escape)
{
    const char16_t* const units = text.utf16();
    const qsizetype size = text.size();
    char* const start = reserve(size * kMaxBytesPerUnit);
    char* out = start;
    auto put = [&out](const char* s, size_t n) {
        std::memcpy(out, s, n);
        out += n;
    };
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = units[i];
        if (c < 0x80) {
            if (escape == Escape::None) {
                *out++ = char(c);
                continue;
            }
            switch (c) {
            case u'<':
                put("&lt;", 4);
                break;
            case u'&':
                put("&amp;", 5);
                break;
            case u'"':
                escape == Escape::Attribute ? put("&quot;", 6) : void(*out++ = '"');
                break;
            case u'>':
                if (i >= 2 && units[i - 1] == u']' && units[i - 2] == u']') {
                    put("&gt;", 4);
                } else {
                    *out++ = '>';
                }
                break;
            case u'\r':
                put("&#xd;", 5);
                break;
            case u'\n':
                escape == Escape::Attribute ? put("&#xa;", 5) : void(*out++ = '\n');
                break;
            case u'\t':
                escape == Escape::Attribute ? put("&#x9;", 5) : void(*out++ = '\t');
                break;
            default:
                *out++ = char(c);
                break;
            }
        } else if (c < 0x800) {
            *out++ = char(0xC0 | (c >> 6));
            *out++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(units[i + 1])) {
            const char32_t code = QChar::surrogateToUcs4(c, units[++i]);
            *out++ = char(0xF0 | (code >> 18));
            *out++ = char(0x80 | ((code >> 12) & 0x3F));
            *out++ = char(0x80 | ((code >> 6) & 0x3F));
            *out++ = char(0x80 | (code & 0x3F));
        } else if (QChar::isSurrogate(c)) {
            *out++ = '?'; // as the UTF-8 encoder writes a lone surrogate
        } else {
            *out++ = char(0xE0 | (c >> 12));
            *out++ = char(0x80 | ((c >> 6) & 0x3F));
            *out++ = char(0x80 | (c & 0x3F));
        }
    }
    m_buffer.resize(m_buffer.size() + (out - start));
    flushIfFull();
}

bool XmlOutput::finish()
{
    if (!m_failed && !m_buffer.isEmpty() && !m_sink(m_buffer)) {
        m_failed = true;
    }
    m_buffer.resize(0);
    return !m_failed;
}

void DomStyleWriter::beginChild(Kind kind)
{
    if (m_open.empty()) {
        return;
    }
    Open& parent = m_open.back();
    if (parent.startTagOpen) {
        m_out->append(">");
        if (kind != Kind::Text) {
            m_out->append("\n");
        }
        parent.startTagOpen = false;
    } else if (m_lineEndPending && kind != Kind::Text) {
        m_out->append("\n");
    }
    m_lineEndPending = false;
    parent.lastChild = kind;
}

void DomStyleWriter::startElement(QStringView name)
{
    const bool afterText = !m_open.empty() && m_open.back().lastChild == Kind::Text;
    beginChild(Kind::Other);
    if (!afterText) {
        m_out->appendIndent(depth());
    }
    Open open;
    open.name = name.toUtf8();
    m_out->append("<");
    m_out->append(open.name);
    m_open.push_back(std::move(open));
}

void DomStyleWriter::attribute(QStringView name, QStringView value)
{
    m_out->append(" ");
    m_out->appendEscaped(name, XmlOutput::Escape::None);
    m_out->append("=\"");
    m_out->appendEscaped(value, XmlOutput::Escape::Attribute);
    m_out->append("\"");
}

void DomStyleWriter::endElement()
{
    if (m_open.empty()) {
        return;
    }
    const Open open = std::move(m_open.back());
    m_open.pop_back();
    if (open.startTagOpen) {
        m_out->append("/>");
    } else {
        if (m_lineEndPending) {
            m_out->append("\n");
        }
        if (open.lastChild != Kind::Text) {
            m_out->appendIndent(depth());
        }
        m_out->append("</");
        m_out->append(open.name);
        m_out->append(">");
    }
    // The root's line end is never followed by text of its parent.
    m_lineEndPending = true;
    if (m_open.empty()) {
        m_out->append("\n");
        m_lineEndPending = false;
    }
}

void DomStyleWriter::characters(QStringView text, bool isCDATA)
{
    // The document reader keeps no text that is only blanks, so neither does a copy of what it read.
    if (!isCDATA && text.trimmed().isEmpty()) {
        return;
    }
    beginChild(Kind::Text);
    if (isCDATA) {
        m_out->append("<![CDATA[");
        m_out->appendEscaped(text.toString().replace(QLatin1String("]]>"), QLatin1String("]]]]><![CDATA[>")),
                             XmlOutput::Escape::None);
        m_out->append("]]>");
    } else {
        m_out->appendEscaped(text, XmlOutput::Escape::Text);
    }
}

void DomStyleWriter::comment(QStringView text)
{
    const bool afterText = !m_open.empty() && m_open.back().lastChild == Kind::Text;
    beginChild(Kind::Other);
    if (!afterText) {
        m_out->appendIndent(depth());
    }
    m_out->append("<!--");
    m_out->appendEscaped(text, XmlOutput::Escape::None);
    if (text.endsWith(u'-')) {
        m_out->append(" ");
    }
    m_out->append("-->");
    m_lineEndPending = true;
}

void DomStyleWriter::processingInstruction(QStringView target, QStringView data)
{
    beginChild(Kind::Other);
    m_out->append("<?");
    m_out->appendEscaped(target, XmlOutput::Escape::None);
    m_out->append(" ");
    m_out->appendEscaped(data, XmlOutput::Escape::None);
    m_out->append("?>\n");
}

void DomStyleWriter::elementWrittenElsewhere()
{
    const bool afterText = !m_open.empty() && m_open.back().lastChild == Kind::Text;
    beginChild(Kind::Other);
    if (!afterText) {
        m_out->appendIndent(depth());
    }
    m_lineEndPending = true;
}

} // namespace kwplugins
