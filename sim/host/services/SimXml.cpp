#include "SimXml.h"

#include <cctype>
#include <cstring>
#include <expat.h>
#include <vector>

using namespace Quorvane;

namespace simhost {

namespace {

// The length of the well-formed UTF-8 sequence at text (at most left bytes), 0 when there is none.
std::size_t utf8Length(const unsigned char* text, std::size_t left)
{
    const unsigned char c = text[0];
    const std::size_t length = c < 0x80                 ? 1
                               : c >= 0xC2 && c <= 0xDF ? 2
                               : c >= 0xE0 && c <= 0xEF ? 3
                               : c >= 0xF0 && c <= 0xF4 ? 4
                                                        : 0;
    if (length == 0 || length > left)
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((text[i] & 0xC0) != 0x80)
            return 0;
    // Overlong forms, surrogates and code points past U+10FFFF.
    if ((c == 0xE0 && text[1] < 0xA0) || (c == 0xED && text[1] > 0x9F) || (c == 0xF0 && text[1] < 0x90) ||
        (c == 0xF4 && text[1] > 0x8F))
        return 0;
    return length;
}

// Characters XML 1.0 cannot carry at all become blanks, and bytes that are not UTF-8 become "?", so that
// what is written always reads back; the attribute's own quotes and the markup characters are escaped,
// and so are the blanks that attribute-value normalisation would turn into spaces.
std::string escaped(const char* text)
{
    std::string out;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text ? text : "");
    std::size_t left = std::strlen(reinterpret_cast<const char*>(bytes));
    while (left > 0) {
        const std::size_t length = utf8Length(bytes, left);
        const unsigned char c = bytes[0];
        if (length == 0)
            out += '?';
        else if (length > 1)
            out.append(reinterpret_cast<const char*>(bytes), length);
        else if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"')
            out += "&quot;";
        else if (c == '\t' || c == '\n' || c == '\r')
            out += "&#" + std::to_string(c) + ";";
        else
            out += c < 0x20 ? ' ' : static_cast<char>(c);
        const std::size_t step = length == 0 ? 1 : length;
        bytes += step;
        left -= step;
    }
    return out;
}

bool isName(const char* name)
{
    if (!name || !*name)
        return false;
    for (const char* c = name; *c; ++c)
        if (!(std::isalnum(static_cast<unsigned char>(*c)) || *c == '_' || *c == '-' || *c == '.' || *c == ':'))
            return false;
    return std::isalpha(static_cast<unsigned char>(*name)) || *name == '_';
}

} // namespace

SimXmlWriter::SimXmlWriter(HostContextRef host) : HostObject(std::move(host), "XmlWriter") {}

tresult SimXmlWriter::put(const std::string& text)
{
    int32 written = 0;
    if (m_stream->write(text.data(), static_cast<int32>(text.size()), &written) != kResultOk ||
        written != static_cast<int32>(text.size()))
        return kResultFalse;
    return kResultOk;
}

tresult SimXmlWriter::attach(IStream* stream)
{
    hostThreadOnly("IXmlWriter::attach");
    if (!stream)
        return kInvalidArgument;
    m_stream = HostRef<IStream>::share(stream);
    m_open.clear();
    return put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
}

tresult SimXmlWriter::startElement(const char* name, int32 count, const char* const* attributeNames,
                                   const char* const* attributeValues, bool empty)
{
    hostThreadOnly("IXmlWriter::startElement");
    if (!m_stream || !isName(name) || count < 0 || (count > 0 && (!attributeNames || !attributeValues)))
        return kInvalidArgument;
    std::string line(m_open.size() * 2, ' ');
    line += '<';
    line += name;
    for (int32 i = 0; i < count; ++i) {
        if (!isName(attributeNames[i]))
            return kInvalidArgument;
        line += ' ';
        line += attributeNames[i];
        line += "=\"" + escaped(attributeValues[i]) + '"';
    }
    line += empty ? "/>\n" : ">\n";
    if (!empty)
        m_open.emplace_back(name);
    return put(line);
}

tresult SimXmlWriter::endElement(const char* name)
{
    hostThreadOnly("IXmlWriter::endElement");
    if (!m_stream || !name || m_open.empty() || m_open.back() != name)
        return kInvalidArgument;
    m_open.pop_back();
    return put(std::string(m_open.size() * 2, ' ') + "</" + name + ">\n");
}

// One parse in progress: expat's parser and the handler it calls.
struct SimXmlParser::Run
{
    SimXmlParser* owner;
    IXmlParserDef* handler;
    XML_Parser parser;
    bool stopped = false;

    void halt()
    {
        if (!stopped)
            XML_StopParser(parser, XML_FALSE);
        stopped = true;
    }

    static void start(void* data, const XML_Char* name, const XML_Char** attributes)
    {
        auto* run = static_cast<Run*>(data);
        std::vector<const char*> names;
        std::vector<const char*> values;
        for (const XML_Char** a = attributes; a && a[0] && a[1]; a += 2) {
            names.push_back(a[0]);
            values.push_back(a[1]);
        }
        if (!run->stopped &&
            !run->handler->startTag(run->owner, name, static_cast<int32>(names.size()), names.data(), values.data()))
            run->halt();
    }

    static void end(void* data, const XML_Char* name)
    {
        auto* run = static_cast<Run*>(data);
        if (!run->stopped && !run->handler->endTag(run->owner, name))
            run->halt();
    }

    // The host reads no document types: their entities would let a small file grow without bound.
    static void doctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int)
    {
        static_cast<Run*>(data)->halt();
    }

    static void text(void* data, const XML_Char* text, int length)
    {
        auto* run = static_cast<Run*>(data);
        if (!run->stopped && !run->handler->gotData(run->owner, text, length))
            run->halt();
    }
};

SimXmlParser::SimXmlParser(HostContextRef host) : HostObject(std::move(host), "XmlParser") {}

SimXmlParser::~SimXmlParser() = default;

tresult SimXmlParser::parse(IStream* stream, IXmlParserDef* handler)
{
    hostThreadOnly("IXmlParser::parse");
    if (!stream || !handler || m_run)
        return kInvalidArgument;
    std::string document;
    char buffer[16384];
    for (;;) {
        int32 got = 0;
        if (stream->read(buffer, sizeof buffer, &got) != kResultOk || got < 0 ||
            got > static_cast<int32>(sizeof buffer))
            return kResultFalse;
        if (got == 0)
            break;
        document.append(buffer, static_cast<std::size_t>(got));
        if (document.size() > kMaxBytes)
            return kResultFalse;
    }
    XML_Parser parser = XML_ParserCreate("UTF-8");
    if (!parser)
        return kResultFalse;
    Run run{this, handler, parser};
    XML_SetUserData(parser, &run);
    XML_SetElementHandler(parser, &Run::start, &Run::end);
    XML_SetCharacterDataHandler(parser, &Run::text);
    XML_SetStartDoctypeDeclHandler(parser, &Run::doctype);
    m_run = &run;
    const XML_Status status = XML_Parse(parser, document.data(), static_cast<int>(document.size()), XML_TRUE);
    m_run = nullptr;
    XML_ParserFree(parser);
    return status == XML_STATUS_OK && !run.stopped ? kResultOk : kResultFalse;
}

tresult SimXmlParser::stop()
{
    hostThreadOnly("IXmlParser::stop");
    if (!m_run)
        return kResultFalse;
    m_run->halt();
    return kResultOk;
}

} // namespace simhost
