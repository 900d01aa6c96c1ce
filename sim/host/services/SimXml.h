#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"

#include <string>
#include <vector>

namespace simhost {

// The host's XML writer, made anew for each request: writes a UTF-8 document with one element per line,
// indented by depth, to the stream it is attached to. Characters XML cannot carry are written as blanks.
// Host thread.
class SimXmlWriter : public HostObject<Quorvane::IXmlWriter>
{
public:
    explicit SimXmlWriter(HostContextRef host);

    tresult attach(Quorvane::IStream* stream) override;
    tresult startElement(const char* name, int32 count, const char* const* attributeNames,
                         const char* const* attributeValues, bool empty) override;
    // Refuses an end that does not match the open element.
    tresult endElement(const char* name) override;

private:
    tresult put(const std::string& text);

    HostRef<Quorvane::IStream> m_stream;
    std::vector<std::string> m_open;
};

// The host's XML parser, made anew for each request: reads the whole stream (documents over kMaxBytes
// are refused unread) and calls the handler for each element's start and end and for character data.
// A handler that answers false, or calls stop, ends the parse. Host thread.
class SimXmlParser : public HostObject<Quorvane::IXmlParser>
{
public:
    static constexpr std::size_t kMaxBytes = 4 * 1024 * 1024;

    explicit SimXmlParser(HostContextRef host);
    ~SimXmlParser() override;

    // kResultOk when the whole document was read and well formed; kResultFalse when it was stopped,
    // refused or broken.
    tresult parse(Quorvane::IStream* stream, Quorvane::IXmlParserDef* handler) override;
    tresult stop() override;

private:
    struct Run;
    Run* m_run = nullptr;
};

} // namespace simhost
