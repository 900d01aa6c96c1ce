#pragma once

#include <QByteArrayView>
#include <QList>

// What one cheap byte-level pass over an XML document shows before a parser is let at it. The readers of
// XML files from outside run it first: a parser's checks of one element's attributes grow with the square of
// their count, and a document parser's time grows steeply with the nesting depth, so a small crafted file
// could hold the editor for minutes. Any thread.
struct XmlPrescan
{
    struct Limits
    {
        qsizetype maxStartTagBytes;
        int maxAttributes;
    };

    // No start tag is longer, or has more attributes, than the limits allow.
    bool withinLimits = true;
    // The deepest element nesting the bytes show; exact for a well-formed document, and never below what a
    // parser reaches before the first fault of a malformed one.
    int maxDepth = 0;
    // The document type declares markup of its own; its entities may add elements that the bytes do not show.
    bool hasInternalSubset = false;

    // Where a child element of the root stands in the bytes: its start tag from "<" to just after ">", and
    // just after its end tag (the end of the start tag when it closes itself).
    struct Span
    {
        qsizetype begin;
        qsizetype startTagEnd;
        qsizetype end;
    };
    // Filled on request, for a document scanned in its own bytes (not one in UTF-16 or UTF-32); a child that
    // does not end is left out.
    QList<Span> rootChildren;
    bool hasRootChildren = false;
};

// Scans the document's bytes; UTF-16 and UTF-32 documents are scanned in UTF-8.
XmlPrescan prescanXml(QByteArrayView bytes, const XmlPrescan::Limits& limits, bool withRootChildren = false);
