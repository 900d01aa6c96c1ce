#pragma once

#include <QByteArrayView>

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
};

// Scans the document's bytes; UTF-16 and UTF-32 documents are scanned in UTF-8.
XmlPrescan prescanXml(QByteArrayView bytes, const XmlPrescan::Limits& limits);
