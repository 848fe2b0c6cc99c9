// XmlEntities: escaping of text for XML attribute values and content with the five entity references.
#pragma once

#include "CString.h"

// Replaces < & > ' " by "&lt;", "&amp;", "&gt;", "&apos;" and "&quot;", stepping whole characters of the
// code page, so that XmlDocument::DecodeEntities gives the text back.
CString EncodeEntities(const CString& strText);
