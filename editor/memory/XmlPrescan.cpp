#include "XmlPrescan.h"

#include <QByteArray>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace {

class Scanner
{
public:
    Scanner(QByteArrayView bytes, const XmlPrescan::Limits& limits, bool withRootChildren)
        : m_begin(bytes.data()), m_at(bytes.data()), m_end(bytes.data() + bytes.size()), m_limits(limits)
    {
        m_result.hasRootChildren = withRootChildren;
    }

    XmlPrescan run()
    {
        int depth = 0;
        while (m_result.withinLimits && (m_at = find('<')) != m_end) {
            const char* const tag = m_at++;
            if (m_at == m_end)
                break;
            switch (*m_at) {
            case '/':
                depth = std::max(0, depth - 1);
                m_at = after(find('>'));
                if (depth == 1 && m_open.begin >= 0) {
                    m_open.end = m_at - m_begin;
                    m_result.rootChildren.append(m_open);
                    m_open.begin = -1;
                }
                break;
            case '?':
                skipPast("?>");
                break;
            case '!':
                skipMarkup();
                break;
            default: {
                m_result.maxDepth = std::max(m_result.maxDepth, ++depth);
                const bool empty = scanStartTag(tag);
                if (depth == 2 && m_result.hasRootChildren) {
                    m_open = {tag - m_begin, m_at - m_begin, m_at - m_begin};
                    if (empty) {
                        m_result.rootChildren.append(m_open);
                        m_open.begin = -1;
                    }
                }
                if (empty)
                    --depth;
                break;
            }
            }
        }
        return m_result;
    }

private:
    const char* find(char c) const
    {
        if (m_at == m_end)
            return m_end; // an empty document may have no bytes at all, not even an address
        const void* at = std::memchr(m_at, c, size_t(m_end - m_at));
        return at ? static_cast<const char*>(at) : m_end;
    }

    const char* after(const char* at) const { return at == m_end ? m_end : at + 1; }

    bool startsWith(const char* text) const
    {
        const size_t length = std::strlen(text);
        return size_t(m_end - m_at) >= length && std::memcmp(m_at, text, length) == 0;
    }

    void skipPast(const char* terminator)
    {
        const size_t length = std::strlen(terminator);
        while ((m_at = find(terminator[0])) != m_end && !startsWith(terminator))
            ++m_at;
        m_at = m_at == m_end ? m_end : m_at + length;
    }

    void skipQuoted()
    {
        const char quote = *m_at++;
        m_at = after(find(quote));
    }

    // Comments, character data and declarations; the document type's internal subset holds quoted literals,
    // comments and processing instructions that may contain any of "<", ">" and "]".
    void skipMarkup()
    {
        if (startsWith("!--")) {
            skipPast("-->");
            return;
        }
        if (startsWith("![CDATA[")) {
            skipPast("]]>");
            return;
        }
        while (m_at != m_end && *m_at != '>') {
            if (*m_at == '"' || *m_at == '\'') {
                skipQuoted();
            } else if (*m_at == '[') {
                m_result.hasInternalSubset = true;
                ++m_at;
                skipInternalSubset();
            } else {
                ++m_at;
            }
        }
        m_at = after(m_at);
    }

    void skipInternalSubset()
    {
        while (m_at != m_end && *m_at != ']') {
            if (*m_at == '"' || *m_at == '\'') {
                skipQuoted();
            } else if (startsWith("<!--")) {
                skipPast("-->");
            } else if (startsWith("<?")) {
                skipPast("?>");
            } else {
                ++m_at;
            }
        }
        m_at = after(m_at);
    }

    // Measures one start tag against the limits; true when it closes itself ("/>"). Jumps from one quote or
    // "=" to the next instead of looking at every byte: a bank file has thousands of tags.
    bool scanStartTag(const char* tag)
    {
        int attributes = 0;
        // The first ">" from here on; it ends the tag unless it stands inside a quoted value.
        const char* close = find('>');
        for (;;) {
            const char* quote = firstOf('"', '\'', close);
            attributes += count('=', quote);
            if (quote == close) {
                m_at = close;
                break;
            }
            m_at = quote + 1;
            m_at = find(*quote);
            if (m_at == m_end)
                break;
            ++m_at;
            if (m_at > close)
                close = find('>');
        }
        const qsizetype length = (m_at == m_end ? m_end : m_at + 1) - tag;
        if (length > m_limits.maxStartTagBytes || attributes > m_limits.maxAttributes) {
            m_result.withinLimits = false;
            return false;
        }
        const bool empty = m_at != m_end && m_at[-1] == '/';
        m_at = after(m_at);
        return empty;
    }

    // The first of the two characters from here up to limit; limit when neither comes before it.
    const char* firstOf(char a, char b, const char* limit) const
    {
        const size_t span = size_t(limit - m_at);
        const void* atA = span ? std::memchr(m_at, a, span) : nullptr;
        const char* end = atA ? static_cast<const char*>(atA) : limit;
        const size_t before = size_t(end - m_at);
        const void* atB = before ? std::memchr(m_at, b, before) : nullptr;
        return atB ? static_cast<const char*>(atB) : end;
    }

    // How often the character stands from here up to limit.
    int count(char c, const char* limit) const
    {
        int n = 0;
        const char* at = m_at;
        while (at != limit) {
            const void* found = std::memchr(at, c, size_t(limit - at));
            if (!found)
                break;
            ++n;
            at = static_cast<const char*>(found) + 1;
        }
        return n;
    }

    const char* const m_begin;
    const char* m_at;
    const char* const m_end;
    XmlPrescan::Span m_open{-1, -1, -1};
    const XmlPrescan::Limits m_limits;
    XmlPrescan m_result;
};

} // namespace

XmlPrescan prescanXml(QByteArrayView bytes, const XmlPrescan::Limits& limits, bool withRootChildren)
{
    // A document in UTF-16 or UTF-32 (told by its byte-order mark or by how its "<" is encoded) has the bytes of
    // "<", "=" and the quotes inside other characters too.
    const auto encoding = QStringDecoder::encodingForData(bytes, u'<');
    if (encoding && *encoding != QStringConverter::Utf8 && *encoding != QStringConverter::Latin1 &&
        *encoding != QStringConverter::System) {
        QStringDecoder decoder(*encoding);
        const QByteArray utf8 = QString(decoder(bytes)).toUtf8();
        return Scanner(utf8, limits, false).run();
    }
    return Scanner(bytes, limits, withRootChildren).run();
}
