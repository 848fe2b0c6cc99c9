// InstallRecordText: the record's declaration and element, formatted as the reader expects them.
#include "InstallRecordText.h"

#include "XmlEntities.h"

CString InstallRecordText(int nVerType, const CString& strFileSign)
{
    CString element;
    element.Format("<downloadqzvr vertype=\"%d\" filesign=\"%s\" />", nVerType,
                   static_cast<const char*>(EncodeEntities(strFileSign)));
    return CString("<?xml version=\"1.0\" encoding=\"gb2312\" ?>") + element;
}
