// The installer as users and deployment scripts run it, under Wine: silent
// installs of every component and of some, upgrades over an installed
// version, uninstalls beside the user's own files and with a file a host
// holds open. Each test starts from a machine without Talkforge. What each
// component installs, and the bytes it must install, come from the
// installer's staged files and their list (packaging/windows/stage.cmake).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const wchar_t* const kUninstallKeys = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const wchar_t* const kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talkforge";

// ---- The machine -------------------------------------------------------------

fs::path environment(const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH);
    EXPECT_TRUE(n > 0 && n < MAX_PATH) << "no %" << fs::path(name).string() << "%";
    return value;
}

// The 64-bit Program Files folders, as a 64-bit program sees them.
fs::path programFiles() { return environment(L"ProgramW6432"); }
fs::path commonFiles() { return environment(L"CommonProgramW6432"); }

fs::path defaultVst2Folder() { return commonFiles() / L"VST2"; }
fs::path programFolder() { return programFiles() / L"Harrowgate Sounds" / L"Talkforge"; }
fs::path uninstaller() { return programFolder() / L"Uninstall Talkforge.exe"; }
// A VST 2 folder of a studio's own, with a space in its name.
fs::path studioVst2Folder() { return fs::path(L"C:\\Studio\\VST Plugins"); }

std::string bytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

// The uninstall entries in the 64-bit view (or the 32-bit one).
HKEY openKey(const wchar_t* key, REGSAM view = KEY_WOW64_64KEY) {
    HKEY h = nullptr;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | view, &h) == ERROR_SUCCESS ? h : nullptr;
}

bool keyExists() {
    HKEY h = openKey(kKey);
    if (h) RegCloseKey(h);
    return h != nullptr;
}

std::optional<std::wstring> stringValue(HKEY key, const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD type = 0, size = sizeof value - sizeof(wchar_t);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    return std::wstring(value);
}

std::optional<std::wstring> entryString(const wchar_t* name) {
    HKEY h = openKey(kKey);
    if (!h) return std::nullopt;
    auto value = stringValue(h, name);
    RegCloseKey(h);
    return value;
}

std::optional<DWORD> entryNumber(const wchar_t* name) {
    HKEY h = openKey(kKey);
    if (!h) return std::nullopt;
    DWORD value = 0, type = 0, size = sizeof value;
    const bool ok =
        RegQueryValueExW(h, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
        type == REG_DWORD;
    RegCloseKey(h);
    return ok ? std::optional<DWORD>(value) : std::nullopt;
}

// The entries "Apps and features" lists as Talkforge, in both registry views.
int talkforgeEntries() {
    int count = 0;
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        HKEY all = openKey(kUninstallKeys, view);
        if (!all) continue;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = 256;
            if (RegEnumKeyExW(all, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            HKEY entry = nullptr;
            if (RegOpenKeyExW(all, name, 0, KEY_READ | view, &entry) != ERROR_SUCCESS) continue;
            const auto display = stringValue(entry, L"DisplayName");
            if (display && display->starts_with(L"Talkforge")) ++count;
            RegCloseKey(entry);
        }
        RegCloseKey(all);
    }
    return count;
}

// Runs a command line and waits for it and every process it starts (the
// uninstaller goes on in a copy of itself); the first process's exit code.
DWORD run(std::wstring commandLine) {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    HANDLE port = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT link{job, port};
    EXPECT_TRUE(SetInformationJobObject(job, JobObjectAssociateCompletionPortInformation, &link, sizeof link));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    DWORD code = 0xffffffff;
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                        &startup, &process)) {
        ADD_FAILURE() << "cannot start " << fs::path(commandLine).string() << ": error " << GetLastError();
    } else {
        EXPECT_TRUE(AssignProcessToJobObject(job, process.hProcess));
        ResumeThread(process.hThread);
        DWORD message = 0;
        ULONG_PTR key = 0;
        OVERLAPPED* overlapped = nullptr;
        bool done = false;
        while (!done && GetQueuedCompletionStatus(port, &message, &key, &overlapped, 120000))
            done = key == reinterpret_cast<ULONG_PTR>(job) && message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO;
        if (!done) {
            ADD_FAILURE() << fs::path(commandLine).string() << " did not finish in two minutes";
            TerminateJobObject(job, 1);
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(port);
    CloseHandle(job);
    return code;
}

std::wstring quoted(const fs::path& p) { return L"\"" + p.wstring() + L"\""; }

// Runs the installer with `options` (/D= last, as NSIS requires).
DWORD setup(const std::wstring& options = L"") {
    return run(quoted(fs::path(TF_SETUP)) + L" /S" + (options.empty() ? L"" : L" " + options));
}

// Runs the uninstall command "Apps and features" and deployment tools run.
DWORD quietUninstall() {
    const auto command = entryString(L"QuietUninstallString");
    if (!command) {
        ADD_FAILURE() << "no QuietUninstallString";
        return 0xffffffff;
    }
    return run(*command);
}

// A machine without Talkforge nor the folders it installs into.
void removeTalkforge() {
    for (const fs::path& folder : {programFiles() / L"Harrowgate Sounds", commonFiles() / L"VST2",
                                   commonFiles() / L"VST3", commonFiles() / L"CLAP", fs::path(L"C:\\Studio")}) {
        std::error_code error;
        fs::remove_all(folder, error);
        ASSERT_FALSE(error) << folder.string() << ": " << error.message();
    }
    const LSTATUS status = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_64KEY, 0);
    ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND);
}

// ---- What the installer installs ---------------------------------------------

struct InstalledFile {
    std::string component;
    std::string root;  // VST2, VST3, CLAP or PROGRAM
    fs::path path;     // below the root
};

const std::vector<InstalledFile>& installedFiles() {
    static const std::vector<InstalledFile> files = [] {
        std::vector<InstalledFile> list;
        std::istringstream lines(bytesOf(TF_SETUP_FILE_LIST));
        std::string line;
        while (std::getline(lines, line)) {
            std::istringstream fields(line);
            InstalledFile f;
            std::string path;
            if (std::getline(fields, f.component, '\t') && std::getline(fields, f.root, '\t') &&
                std::getline(fields, path))
                list.push_back({f.component, f.root, fs::path(path)});
        }
        EXPECT_FALSE(list.empty()) << "no files listed in " << TF_SETUP_FILE_LIST;
        return list;
    }();
    return files;
}

std::set<std::string> allComponents() {
    std::set<std::string> names;
    for (const InstalledFile& f : installedFiles()) names.insert(f.component);
    return names;
}

fs::path rootFolder(const std::string& root, const fs::path& vst2Folder) {
    if (root == "VST2") return vst2Folder;
    if (root == "VST3") return commonFiles() / L"VST3";
    if (root == "CLAP") return commonFiles() / L"CLAP";
    return programFolder();
}

fs::path installedPath(const InstalledFile& f, const fs::path& vst2Folder) {
    return rootFolder(f.root, vst2Folder) / f.path;
}

// The file as staged for the installer.
fs::path stagedPath(const InstalledFile& f) { return fs::path(TF_SETUP_STAGE) / f.component / f.path; }

// Each file of `components` is installed, the same bytes as staged; no file
// of the others is there.
void expectInstalled(const std::set<std::string>& components, const fs::path& vst2Folder = defaultVst2Folder()) {
    for (const InstalledFile& f : installedFiles()) {
        const fs::path path = installedPath(f, vst2Folder);
        if (components.count(f.component)) {
            EXPECT_TRUE(fs::is_regular_file(path)) << path.string();
            EXPECT_TRUE(bytesOf(path) == bytesOf(stagedPath(f))) << path.string() << " differs from the staged file";
        } else {
            EXPECT_FALSE(fs::exists(path)) << path.string() << " installed without its component";
        }
    }
    EXPECT_EQ(talkforgeEntries(), 1);
}

// No file of `components` is left, nor the uninstaller and its entry.
void expectNothingInstalled(const std::set<std::string>& components = allComponents()) {
    for (const InstalledFile& f : installedFiles()) {
        const fs::path path = installedPath(f, defaultVst2Folder());
        if (components.count(f.component)) {
            EXPECT_FALSE(fs::exists(path)) << path.string();
        }
    }
    EXPECT_FALSE(fs::exists(uninstaller()));
    EXPECT_FALSE(keyExists());
    EXPECT_EQ(talkforgeEntries(), 0);
}

// The machine type in a program's PE header.
std::uint16_t peMachine(const fs::path& program) {
    const std::string bytes = bytesOf(program);
    if (bytes.size() < 0x40) return 0;
    std::uint32_t header = 0;
    std::memcpy(&header, bytes.data() + 0x3c, 4);
    if (bytes.size() < std::size_t(header) + 6 || bytes.compare(header, 4, std::string("PE\0\0", 4)) != 0) return 0;
    std::uint16_t machine = 0;
    std::memcpy(&machine, bytes.data() + header + 4, 2);
    return machine;
}

// Whether the module loads and exports `symbol`, asked of a process of its
// own, which leaves the file free to remove.
bool moduleLoads(const fs::path& module, const char* symbol) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return run(quoted(self) + L" --load " + quoted(module) + L" " + fs::path(symbol).wstring()) == 0;
}

class Installer : public ::testing::Test {
protected:
    void SetUp() override { removeTalkforge(); }
    void TearDown() override { removeTalkforge(); }
};

// ---- Tests -------------------------------------------------------------------

TEST_F(Installer, SilentInstallPutsEachComponentWhereHostsLookAndRegistersItsUninstaller) {
    ASSERT_EQ(setup(), 0u);
    expectInstalled(allComponents());

    const fs::path program = uninstaller();
    ASSERT_TRUE(fs::is_regular_file(program));
    EXPECT_EQ(entryString(L"DisplayName"), L"Talkforge");
    EXPECT_EQ(entryString(L"Publisher"), L"Harrowgate Sounds");
    EXPECT_EQ(entryString(L"DisplayVersion"), fs::path(TF_VERSION).wstring());
    EXPECT_EQ(entryString(L"DisplayIcon"), program.wstring() + L",0");
    EXPECT_EQ(entryString(L"UninstallString"), quoted(program));
    EXPECT_EQ(entryString(L"QuietUninstallString"), quoted(program) + L" /S");
    EXPECT_EQ(entryString(L"InstallLocation"), programFolder().wstring());
    EXPECT_EQ(entryNumber(L"NoModify"), 1u);
    EXPECT_EQ(entryNumber(L"NoRepair"), 1u);
    std::uintmax_t bytes = fs::file_size(program);
    for (const InstalledFile& f : installedFiles()) bytes += fs::file_size(installedPath(f, defaultVst2Folder()));
    const auto kib = entryNumber(L"EstimatedSize");
    ASSERT_TRUE(kib);
    EXPECT_NEAR(double(*kib), double(bytes) / 1024.0, double(bytes) / 1024.0 * 0.05) << "EstimatedSize, KiB";

    // 64-bit programs, which 32-bit Windows refuses to start.
    constexpr std::uint16_t kAmd64 = 0x8664;
    EXPECT_EQ(peMachine(TF_SETUP), kAmd64);
    EXPECT_EQ(peMachine(program), kAmd64);

    // Hosts find each plug-in's entry.
    const struct {
        const char* component;
        const char* entry;
    } entries[] = {{"vst2", "VSTPluginMain"}, {"vst3", "GetPluginFactory"}, {"clap", "clap_entry"}};
    for (const auto& e : entries) {
        for (const InstalledFile& f : installedFiles()) {
            if (f.component == e.component) {
                EXPECT_TRUE(moduleLoads(installedPath(f, defaultVst2Folder()), e.entry)) << f.path.string();
            }
        }
    }

    // The installed VST 2 plug-in renders as the Linux build does: the
    // cross-check's renders and parameter texts, byte for byte.
    const fs::path installedDll = defaultVst2Folder() / L"Talkforge.dll";
    const fs::path results(TF_CROSSCHECK_INSTALLED);
    fs::create_directories(results);
    const std::wstring crosscheck = quoted(fs::path(TF_CROSSCHECK));
    ASSERT_EQ(run(crosscheck + L" write " + quoted(results) + L" " + quoted(installedDll)), 0u);
    EXPECT_EQ(run(crosscheck + L" compare " + quoted(fs::path(TF_CROSSCHECK_LINUX)) + L" " + quoted(results)), 0u);
}

TEST_F(Installer, UpgradeReplacesTheInstalledVersionWithOneEntry) {
    // An install with some components in a studio's own VST 2 folder, where
    // the studio keeps another plug-in.
    ASSERT_EQ(setup(L"/COMPONENTS=vst2,presets /D=" + studioVst2Folder().wstring()), 0u);
    expectInstalled({"vst2", "presets"}, studioVst2Folder());
    const fs::path other = studioVst2Folder() / L"Other.dll";
    writeFile(other, "another plug-in");

    // Over it, every component; the VST 2 folder chosen before stays.
    ASSERT_EQ(setup(), 0u);
    expectInstalled(allComponents(), studioVst2Folder());
    EXPECT_FALSE(fs::exists(defaultVst2Folder() / L"Talkforge.dll"));
    EXPECT_EQ(entryString(L"VST2Folder"), studioVst2Folder().wstring());

    // Into another VST 2 folder: the plug-in moves, the other one stays.
    ASSERT_EQ(setup(L"/D=" + defaultVst2Folder().wstring()), 0u);
    expectInstalled(allComponents());
    EXPECT_FALSE(fs::exists(studioVst2Folder() / L"Talkforge.dll"));
    EXPECT_EQ(bytesOf(other), "another plug-in");

    // Once more, the same.
    ASSERT_EQ(setup(), 0u);
    expectInstalled(allComponents());
}

TEST_F(Installer, SilentUninstallRemovesWhatItInstalledAndLeavesTheUsersFiles) {
    // A VST 2 folder that was there before, with another plug-in.
    const fs::path otherVst2 = defaultVst2Folder() / L"Other Plugin.dll";
    writeFile(otherVst2, "another plug-in");
    ASSERT_EQ(setup(), 0u);
    // The user's own files beside the installed ones.
    const fs::path otherVst3 = commonFiles() / L"VST3" / L"Other.vst3" / L"Contents" / L"x86_64-win" / L"Other.vst3";
    const fs::path ownPreset = programFolder() / L"Presets" / L"My Voice.fxp";
    writeFile(otherVst3, "another bundle");
    writeFile(ownPreset, "the user's preset");

    ASSERT_EQ(quietUninstall(), 0u);
    expectNothingInstalled();
    EXPECT_FALSE(fs::exists(commonFiles() / L"VST3" / L"Talkforge.vst3"));
    EXPECT_EQ(bytesOf(otherVst2), "another plug-in");
    EXPECT_EQ(bytesOf(otherVst3), "another bundle");
    EXPECT_EQ(bytesOf(ownPreset), "the user's preset");

    // Without the user's files, the folders the installer made go too and
    // the one that was there before stays.
    fs::remove(otherVst2);
    fs::remove_all(commonFiles() / L"VST3");
    fs::remove_all(programFiles() / L"Harrowgate Sounds");
    ASSERT_EQ(setup(), 0u);
    ASSERT_EQ(quietUninstall(), 0u);
    expectNothingInstalled();
    EXPECT_TRUE(fs::is_directory(defaultVst2Folder()));
    for (const fs::path& made :
         {commonFiles() / L"VST3", commonFiles() / L"CLAP", programFiles() / L"Harrowgate Sounds"})
        EXPECT_FALSE(fs::exists(made)) << made.string();
}

TEST_F(Installer, UninstallAndUpgradeKeepTheEntryWhileAHostHoldsAFile) {
    ASSERT_EQ(setup(), 0u);
    const fs::path dll = defaultVst2Folder() / L"Talkforge.dll";
    HANDLE held = CreateFileW(dll.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    // Run in place, as an installer replacing this version runs it, to see its exit code.
    const DWORD code = run(quoted(uninstaller()) + L" /S _?=" + programFolder().wstring());
    EXPECT_EQ(code, 2u) << "a failed uninstall reports failure";
    EXPECT_TRUE(keyExists());
    EXPECT_TRUE(fs::exists(uninstaller()));
    EXPECT_TRUE(fs::exists(dll));
    EXPECT_FALSE(fs::exists(commonFiles() / L"VST3" / L"Talkforge.vst3"));
    // An upgrade meanwhile fails the same way and keeps the entry.
    EXPECT_EQ(setup(), 2u);
    EXPECT_TRUE(keyExists());
    EXPECT_TRUE(fs::exists(uninstaller()));
    EXPECT_EQ(talkforgeEntries(), 1);
    CloseHandle(held);

    // Once the host lets go, uninstalling again finishes the job.
    ASSERT_EQ(quietUninstall(), 0u);
    expectNothingInstalled();
}

TEST_F(Installer, InstallsOnlyTheComponentsChosen) {
    ASSERT_EQ(setup(L"/COMPONENTS=vst3,Manual"), 0u);
    expectInstalled({"vst3", "manual"});
    EXPECT_FALSE(fs::exists(defaultVst2Folder()));
    EXPECT_EQ(entryString(L"Components"), L"vst3,manual");
    EXPECT_FALSE(entryString(L"VST2Folder"));
    // A copy of the VST 2 plug-in the user puts there by hand stays theirs.
    const fs::path ownCopy = defaultVst2Folder() / L"Talkforge.dll";
    writeFile(ownCopy, "copied by hand");
    ASSERT_EQ(quietUninstall(), 0u);
    expectNothingInstalled({"vst3", "manual"});
    EXPECT_EQ(bytesOf(ownCopy), "copied by hand");

    // Names that are no component stop the installer before it changes anything.
    for (const wchar_t* wrong : {L"/COMPONENTS=vst2,surround", L"/COMPONENTS=", L"/COMPONENTS=,"}) {
        EXPECT_EQ(setup(wrong), 2u) << fs::path(wrong).string();
        EXPECT_FALSE(keyExists());
        EXPECT_FALSE(fs::exists(programFolder()));
        EXPECT_FALSE(fs::exists(commonFiles() / L"VST3"));
    }
}

}  // namespace

// Besides the tests: `installer_tests --load MODULE SYMBOL` exits 0 when the
// module loads and exports the symbol.
int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--load") {
        HMODULE module = LoadLibraryA(argv[2]);
        return module && GetProcAddress(module, argv[3]) ? 0 : 1;
    }
    // Under Wine the desktop's process starts with the first program that
    // needs it and ends a while after the last: started by an installer, it
    // would be counted as the installer's and waited for. Started here, it
    // serves every program the tests run.
    GetDesktopWindow();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
