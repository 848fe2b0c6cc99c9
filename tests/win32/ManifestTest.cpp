// The program's embedded manifest as the loader reads it: present, accepted, asInvoker, systems 7 to 11, aware
// of the display's scale (per monitor where the system can), nothing that stretches or themes the windows.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "XmlDocument.h"

namespace {

// The program's path in Windows form; ctest passes the Unix path of the build.
std::wstring ProgramPath()
{
    const char* path = std::getenv("CORVANE_SETUP_EXE");
    if (!path) return std::wstring();
    std::string text = path;
    if (!text.empty() && text[0] == '/') text = "Z:" + text;
    return std::wstring(text.begin(), text.end());
}

std::string ManifestText(const std::wstring& program)
{
    HMODULE module = ::LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return std::string();
    std::string text;
    if (HRSRC res = ::FindResourceA(module, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST)) {
        const char* bytes = static_cast<const char*>(::LockResource(::LoadResource(module, res)));
        if (bytes) text.assign(bytes, ::SizeofResource(module, res));
    }
    ::FreeLibrary(module);
    return text;
}

// Names of every element of the document.
std::set<std::string> ElementNames(const XmlDocument& doc)
{
    std::set<std::string> names;
    const std::string text = static_cast<const char*>(doc.GetDocument());
    for (int i = 1; i < doc.GetRecordCount(); ++i) {
        const size_t start = doc.GetRecord(i).nStart + 1;
        names.insert(text.substr(start, text.find_first_of(" \t\r\n/>", start) - start));
    }
    return names;
}

int ChildOf(const XmlDocument& doc, int parent, const char* name)
{
    return parent ? doc.FindSibling(parent, 0, name) : 0;
}

std::string GuidText(const GUID& g)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

const std::set<std::string> kSystems7To11 = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
};

}  // namespace

TEST(Manifest, TheProgramCarriesAWellFormedManifestAskingForNoElevation)
{
    const std::wstring program = ProgramPath();
    ASSERT_FALSE(program.empty()) << "CORVANE_SETUP_EXE is not set";
    const std::string text = ManifestText(program);
    ASSERT_FALSE(text.empty()) << "no RT_MANIFEST resource 1 in the program";

    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocument(text.c_str())) << static_cast<const char*>(doc.GetError());
    ASSERT_TRUE(doc.FindElement("assembly"));
    const int assembly = doc.GetCurrentPos();
    EXPECT_EQ(CString("urn:schemas-microsoft-com:asm.v1"), doc.GetAttributeAt(assembly, "xmlns"));
    EXPECT_EQ(CString("1.0"), doc.GetAttributeAt(assembly, "manifestVersion"));
    const int level = ChildOf(doc, ChildOf(doc, ChildOf(doc, ChildOf(doc, assembly, "trustInfo"), "security"),
                                           "requestedPrivileges"),
                              "requestedExecutionLevel");
    ASSERT_NE(0, level);
    EXPECT_EQ(CString("asInvoker"), doc.GetAttributeAt(level, "level"));
    EXPECT_EQ(CString("false"), doc.GetAttributeAt(level, "uiAccess"));

    const int application = ChildOf(doc, ChildOf(doc, assembly, "compatibility"), "application");
    ASSERT_NE(0, application);
    std::set<std::string> systems;
    for (int os = 0; (os = doc.FindSibling(application, os, "supportedOS")) != 0;)
        systems.insert(static_cast<const char*>(doc.GetAttributeAt(os, "Id")));
    EXPECT_EQ(kSystems7To11, systems);

    // The windows scale themselves: nothing that has the system stretch them or swaps in themed controls.
    const std::set<std::string> names = ElementNames(doc);
    for (const char* name : {"gdiScaling", "dependency"}) EXPECT_EQ(0u, names.count(name)) << name;
    for (const char* name : {"dpiAware", "dpiAwareness"}) EXPECT_EQ(1u, names.count(name)) << name;
}

TEST(Manifest, TheSystemReadsAsInvokerAndTheSupportedSystemsFromIt)
{
    const std::wstring program = ProgramPath();
    ASSERT_FALSE(program.empty()) << "CORVANE_SETUP_EXE is not set";
    ACTCTXW request = {};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = program.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);  // CREATEPROCESS_MANIFEST_RESOURCE_ID
    HANDLE context = ::CreateActCtxW(&request);
    ASSERT_NE(INVALID_HANDLE_VALUE, context) << "the system rejects the manifest, error " << ::GetLastError();

    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION runLevel = {};
    SIZE_T needed = 0;
    ASSERT_TRUE(::QueryActCtxW(0, context, nullptr, RunlevelInformationInActivationContext, &runLevel,
                               sizeof runLevel, &needed));
    EXPECT_EQ(ACTCTX_RUN_LEVEL_AS_INVOKER, runLevel.RunLevel);
    EXPECT_EQ(0u, runLevel.UiAccess);

    // Elements start with their GUID and type. Since Windows 10 each also ends in a 64-bit tested version,
    // which aligns the array to 8 bytes: 32-byte elements after 8 bytes, against 20 after 4 before.
    std::vector<BYTE> buffer(512);
    ASSERT_TRUE(::QueryActCtxW(0, context, nullptr, CompatibilityInformationInActivationContext, buffer.data(),
                               buffer.size(), &needed));
    const auto* info = reinterpret_cast<const ACTIVATION_CONTEXT_COMPATIBILITY_INFORMATION*>(buffer.data());
    ASSERT_EQ(4u, info->ElementCount);
    const bool versioned = needed == 8 + 32 * info->ElementCount;
    const size_t header = versioned ? 8 : 4;
    const size_t stride = versioned ? 32 : 20;
    std::set<std::string> systems;
    for (DWORD i = 0; i < info->ElementCount; ++i) {
        const auto* element = reinterpret_cast<const COMPATIBILITY_CONTEXT_ELEMENT*>(buffer.data() + header + i * stride);
        EXPECT_EQ(ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS, element->Type);
        systems.insert(GuidText(element->Id));
    }
    EXPECT_EQ(kSystems7To11, systems);

    // The DPI settings as the loader reads them: Windows 7 and 8 know only dpiAware, 10 and 11 prefer
    // dpiAwareness. Looked up by name: the call is newer than the headers this build targets.
    typedef BOOL(WINAPI * QuerySettings)(DWORD, HANDLE, LPCWSTR, LPCWSTR, LPWSTR, SIZE_T, SIZE_T*);
    const auto query = reinterpret_cast<QuerySettings>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "QueryActCtxSettingsW")));
    ASSERT_TRUE(query);
    const struct {
        const wchar_t* ns;
        const wchar_t* name;
        const wchar_t* value;
    } kSettings[] = {
        {L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware", L"true/pm"},
        {L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness", L"PerMonitorV2, PerMonitor"},
    };
    for (const auto& setting : kSettings) {
        wchar_t value[64] = {};
        ASSERT_TRUE(query(0, context, setting.ns, setting.name, value, 64, &needed)) << ::GetLastError();
        EXPECT_STREQ(setting.value, value);
    }
    ::ReleaseActCtx(context);
}
