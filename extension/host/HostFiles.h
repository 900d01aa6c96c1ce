#pragma once

#include "HostApplication.h"

#include <cstring>

// Host interfaces of the preference pool, files, file dialogs and XML.
namespace Quorvane {

// The host's preference store, by section and key.
class IDefaultPool : public FUnknown
{
public:
    // True when the entry exists; then value holds it.
    virtual bool getInt(const char8* section, const char8* key, int32* value) = 0;
    virtual tresult setInt(const char8* section, const char8* key, int32 value) = 0;
    // The stored text, or null when the entry does not exist; valid until the entry changes.
    virtual const char8* getText(const char8* section, const char8* key) = 0;
    virtual tresult setText(const char8* section, const char8* key, const char8* text) = 0;
    virtual bool getFloat(const char8* section, const char8* key, double* value) = 0;
    virtual tresult setFloat(const char8* section, const char8* key, double value) = 0;

    QUORVANE_IID(0x013ECB56, 0x8B90FF22, 0xAF21FD0D, 0xBCBC8C80)
protected:
    ~IDefaultPool() = default;
};

// 16-bit texts in the preference store.
class IDefaultPool3 : public IDefaultPool
{
public:
    virtual const char16* getText16(const char8* section, const char8* key) = 0;
    virtual tresult setText16(const char8* section, const char8* key, const char16* text) = 0;

    QUORVANE_IID(0x9D5A5C94, 0xB11119C5, 0x56773844, 0x88C73FF5)
protected:
    ~IDefaultPool3() = default;
};

class IStream : public FUnknown
{
public:
    virtual tresult read(void* buffer, int32 size, int32* bytesRead) = 0;
    virtual tresult write(const void* buffer, int32 size, int32* bytesWritten) = 0;

    QUORVANE_IID(0x010602C6, 0xAC6E9C82, 0x4293A4F4, 0x62B3C2D3)
protected:
    ~IStream() = default;
};

// A list of file-system paths (what a file dialog chose).
class IPath : public FUnknown
{
public:
    virtual int32 countPaths() = 0;
    virtual const char8* getPath(int32 index) = 0;

    QUORVANE_IID(0x96C214F6, 0xA10806AF, 0x7C2AC522, 0x398036B2)
protected:
    ~IPath() = default;
};

// A file type of the host's file dialogs: the extension as 8 bytes and the description as 64 bytes,
// each zero-filled after its text and always ending with 0.
struct FFileTypeInfo
{
    int32 type = 0;
    char8 extension[8] = {};
    char8 description[64] = {};

    void set(int32 typeValue, const char8* extensionText, const char8* descriptionText)
    {
        type = typeValue;
        copyField(extension, sizeof extension, extensionText);
        copyField(description, sizeof description, descriptionText);
    }

private:
    static void copyField(char8* field, std::size_t size, const char8* text)
    {
        if (!text) {
            field[0] = 0;
            return;
        }
        const std::size_t n = strnlen(text, size - 1);
        std::memcpy(field, text, n);
        std::memset(field + n, 0, size - n);
    }
};

// File dialogs and files.
class IFileSystem : public FUnknown
{
public:
    enum OpenMode : int32 { kRead = 0, kWrite = 1 };

    // A referenced path list, or null when cancelled.
    virtual IPath* runSaveDialog(const char16* title, const FFileTypeInfo* type) = 0;
    // A referenced stream on path index of paths, or null.
    virtual IStream* openFile(IPath* paths, int32 index, int32 mode) = 0;
    // Ends a file opened here: a file written is kept only when this answers kResultOk. The caller still
    // releases its reference to the stream; a file being written whose stream is released without this
    // call is dropped, and an earlier file of its name stays as it was.
    virtual tresult closeFile(IStream* stream) = 0;

    QUORVANE_IID(0x24AEED42, 0xDFB398EE, 0x06D8CE18, 0xD1371A6A)
protected:
    ~IFileSystem() = default;
};

class IFileSystem2 : public IFileSystem
{
public:
    // A referenced list of the chosen paths, or null when cancelled.
    virtual IPath* runOpenDialog(const char16* title, const FFileTypeInfo* types, int32 count) = 0;

    QUORVANE_IID(0xC4135A31, 0xB3C1FFE3, 0xC42FD3A2, 0xD6CC402E)
protected:
    ~IFileSystem2() = default;
};

class IXmlParser;

// Callbacks of the host's XML reader; each answers whether the parse may go on.
class IXmlParserDef
{
public:
    virtual bool startTag(IXmlParser* parser, const char8* name, int32 count, const char8* const* attributeNames,
                          const char8* const* attributeValues) = 0;
    virtual bool endTag(IXmlParser* parser, const char8* name) = 0;
    virtual bool gotData(IXmlParser* parser, const char8* data, int32 length) = 0;

protected:
    ~IXmlParserDef() = default;
};

class IXmlParser : public FUnknown
{
public:
    // kResultOk when the whole document was read and well formed; kResultFalse when a callback or stop
    // ended it early or the document is broken.
    virtual tresult parse(IStream* stream, IXmlParserDef* handler) = 0;
    // Stops the running parse after the current callback.
    virtual tresult stop() = 0;

    QUORVANE_IID(0x622E017F, 0x50F9DC19, 0x2E305D89, 0x03416704)
protected:
    ~IXmlParser() = default;
};

class IXmlWriter : public FUnknown
{
public:
    virtual tresult attach(IStream* stream) = 0;
    virtual tresult startElement(const char8* name, int32 count, const char8* const* attributeNames,
                                 const char8* const* attributeValues, bool empty) = 0;
    virtual tresult endElement(const char8* name) = 0;

    QUORVANE_IID(0xCB17B138, 0x837CD1A7, 0x9CB3059C, 0x2C10D9B8)
protected:
    ~IXmlWriter() = default;
};

} // namespace Quorvane
