// InstallRecord: read through the XML document at start-up, written whole before each download.
#include "InstallRecord.h"

#include "CStdioFile.h"
#include "InstallRecordText.h"
#include "InstallerGlobals.h"
#include "XmlDocument.h"

CString InstallRecordPath(const CString& strDataDir)
{
    CString path;
    path.Format("%s\\%s", static_cast<const char*>(strDataDir), "qzvrsetup.xml");
    return path;
}

void ReadInstallRecord(const CString& strDataDir)
{
    XmlDocument doc;
    doc.SetDocument(nullptr);
    doc.SetFlags(0);
    if (doc.LoadFile(InstallRecordPath(strDataDir)) && doc.FindElement("downloadqzvr"))
        g_strFileSign = doc.GetAttribute("filesign");
}

void WriteInstallRecord(const CString& strDataDir)
{
    CStdioFile file;
    if (!file.Open(InstallRecordPath(strDataDir), CFile::modeCreate | CFile::modeWrite)) return;
    file.WriteString(InstallRecordText(g_nVerType, g_strFileSign));
    file.Close();
}
