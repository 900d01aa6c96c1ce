#pragma once

#include <QDomDocument>
#include <QDomElement>
#include <QString>

class RemoteMemAPI;

// Maps banks, templates and knobs of the memory mirror to XML elements and back (bank files, clipboard
// and drag documents), and converts the parameter identifier between its two text forms. Stateless:
// every value passes through the memory service, which locks per call, so any thread may use it.
class EditorData
{
public:
    // "20068435455" -> "204143dff". A shorter input is padded on the left with '0' first.
    static QString translateDwremoteparam2Sremoteparam(QString decimalForm);
    // "204143dff" -> "20068435455".
    static QString translateSremoteparam2Dwremoteparam(QString hexForm);
    // The 32-bit number of the identifier (its last eight characters); 0 when they are no hex number.
    static quint32 getRemoteParamContentsFromSRemoteStringParam(QString hexForm);
    // The identifier space (first character as a hex digit); 0 when it is none.
    static int getRemoteParamTypeFromSRemoteStringParam(QString hexForm);

    // ---- Element builders ---------------------------------------------------------------------------
    // Each creates its element in document, fills it from the memory and returns it; the caller appends
    // it. An empty name gives the default tag ("bank", "template", "controller"). A null service or
    // document gives a null element. Texts that XML cannot carry are written as blanks, so whatever a
    // name holds, the document can be read back.
    // The bank's templates as "template1".."template50"; with the edit buffer also bank 0's templates as
    // "editBuffTemplate1".."editBuffTemplate50" and "bankInfo" with bank 0's current template number.
    static QDomElement getBankDomElement(RemoteMemAPI* memory, QDomDocument* document, int bank, const QString& name,
                                         bool withEditBuffer);
    static QDomElement getTemplateDomElement(RemoteMemAPI* memory, QDomDocument* document, int bank, int templ,
                                             const QString& name);
    static QDomElement getControllerDomElement(RemoteMemAPI* memory, QDomDocument* document, int bank, int templ,
                                               int knob, const QString& name);

    // ---- Element readers ----------------------------------------------------------------------------
    // Each writes what it finds through the memory service (observers notified, records' checks
    // applied) and returns true only when every value it looks for was present. A null element, or an
    // expected tag that is not empty and differs from the element's, gives false. Every item is
    // attempted even after one is missing. A value present but refused by the record (too long, out of
    // range, not a number) keeps the old value and is no failure.
    // Reads nothing and succeeds for a document type other than the bank file's.
    static bool setBankDomElement(RemoteMemAPI* memory, const QDomElement& element, int bank,
                                  const QString& documentType, bool editBuffer, const QString& expectedTag);
    static bool setTemplateDomElement(RemoteMemAPI* memory, const QDomElement& element, int bank, int templ,
                                      const QString& documentType, const QString& expectedTag);
    static bool setControllerDomElement(RemoteMemAPI* memory, const QDomElement& element, int bank, int templ, int knob,
                                        const QString& documentType, const QString& expectedTag);

    // The knob element name of index 0..11 ("knobA1".."knobD3", row by row); empty for any other index.
    static QString knobElementName(int knob);
};

// Leaf builders: append a tag element to parent holding the value at (bank, templ, controller, param)
// as its one text node (a number as its decimal text).
void getStringParamToDomElement(RemoteMemAPI* memory, QDomDocument* document, QDomElement& parent, const QString& tag,
                                int bank, int templ, int controller, int param);
void getNumericParamToDomElement(RemoteMemAPI* memory, QDomDocument* document, QDomElement& parent, const QString& tag,
                                 int bank, int templ, int controller, int param);

// Leaf readers: write the text of parent's first child element named tag to (bank, templ, controller,
// param). False, and nothing written, when there is no such element; true otherwise, whatever the
// store made of the value. A "remotenumber" text is lower-cased; a number that is no decimal integer
// or lies beyond the record's range keeps the old value.
bool setStringParamFromDomElement(RemoteMemAPI* memory, const QDomElement& parent, const QString& documentType,
                                  const QString& tag, int bank, int templ, int controller, int param);
bool setNumericParamFromDomElement(RemoteMemAPI* memory, const QDomElement& parent, const QString& documentType,
                                   const QString& tag, int bank, int templ, int controller, int param);
