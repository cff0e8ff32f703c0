// Damaged and extreme input through the whole automatic install (and the folder install): INFs in
// other encodings or with odd bytes, very long paths and IDs, folder names in code page 936 and
// device properties that lack their terminators. Each must give a clear outcome, write nothing past
// a buffer (the native build runs under ASan) and leave every unrelated device where it was.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "InstallTestSupport.h"
#include "TraceRecorder.h"
#include "platform/CStdioFile.h"
#include "platform/CodePage.h"

#ifdef _WIN32
#include <windows.h>
#endif

using namespace quarveltest;

namespace {

const size_t kTraceLimit = 511; // what one trace text can carry

// A simulated tree that can hand out one device's hardware-ID property as raw bytes (terminators and
// all left to the test); it remembers the forced driver updates it carried out, as its base does.
class HostileTree : public HookedTree {
public:
  using HookedTree::HookedTree;

  std::map<DWORD, std::string> rawIdsByDevInst; // by the record's DevInst
  DWORD stuckDevInst = 0; // this device's reads ask for more room but never for more than was given

  BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property,
                                         DWORD *propertyRegDataType, BYTE *buffer, DWORD bufferSize,
                                         DWORD *requiredSize) override {
    if (device && property == SPDRP_HARDWAREID && stuckDevInst && device->DevInst == stuckDevInst) {
      if (requiredSize)
        *requiredSize = bufferSize;
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    const auto raw = device && property == SPDRP_HARDWAREID ? rawIdsByDevInst.find(device->DevInst)
                                                             : rawIdsByDevInst.end();
    if (raw == rawIdsByDevInst.end())
      return HookedTree::SetupDiGetDeviceRegistryPropertyA(set, device, property, propertyRegDataType, buffer,
                                                              bufferSize, requiredSize);
    const DWORD size = static_cast<DWORD>(raw->second.size());
    if (requiredSize)
      *requiredSize = size;
    if (bufferSize < size) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    if (size)
      std::memcpy(buffer, raw->second.data(), size);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
  }

  // The DevInst that records of this device carry.
  DWORD DevInstOf(const std::string &instanceId) {
    DWORD found = 0;
    HDEVINFO set = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    char id[512];
    for (DWORD i = 0; !found && SetupDiEnumDeviceInfo(set, i, &device); ++i)
      if (SetupDiGetDeviceInstanceIdA(set, &device, id, sizeof id, nullptr) && instanceId == id)
        found = device.DevInst;
    SetupDiDestroyDeviceInfoList(set);
    return found;
  }
};

// One dialog's logic over a fresh tree that holds one device unrelated to the phone.
struct Installer {
  explicit Installer(SimMode mode) : tree(mode) { unrelated.push_back(tree.AddPresentDevice({"USB\\VID_1234&PID_0001"})); }

  InstallOutcome RunFrom(const std::string &exePath) {
    tree.SetModuleFileName(exePath);
    return core.RunAutomaticInstall();
  }

  // What must hold after any run: unrelated devices in place, sets released once, nothing removed
  // but the phone's devices and our own nodes, no trace text longer than the channel carries.
  void ExpectNothingUnrelatedTouched(const std::vector<std::string> &phoneDevices = {}) {
    for (const std::string &id : unrelated)
      EXPECT_NE(tree.FindDevice(id), nullptr) << "unrelated device removed: " << id.substr(0, 60);
    for (const std::string &removed : tree.RemovedInstanceIds())
      EXPECT_TRUE(removed.rfind("ROOT\\", 0) == 0 ||
                  std::find(phoneDevices.begin(), phoneDevices.end(), removed) != phoneDevices.end())
          << "removed " << removed.substr(0, 60);
    EXPECT_EQ(tree.OpenSetCount(), 0);
    EXPECT_EQ(tree.DoubleDestroyCount(), 0);
    EXPECT_EQ(view.begins, view.ends);
    for (size_t length : trace.sentLengths)
      EXPECT_LE(length, kTraceLimit);
  }

  HostileTree tree;
  ScopedPlatform platform{tree};
  TraceRecorder trace;
  RecordingView view;
  CInstallerCore core{view};
  std::vector<std::string> unrelated;
};

std::string Utf16(const std::string &ascii, bool bigEndian, bool byteOrderMark) {
  std::string bytes = byteOrderMark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
  for (char c : ascii) {
    bytes += bigEndian ? '\0' : c;
    bytes += bigEndian ? c : '\0';
  }
  return bytes;
}

std::string CrOnly(std::string text) {
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
    text.erase(at + 1, 1);
  return text;
}

std::string SearchText(const std::string &id) { return "Search for Device ID: [" + id + "\n]\n"; }

void WriteFile(const std::string &path, const std::string &bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A folder whose name is given in the ANSI code page. Elsewhere than Windows a backslash is no
// separator: the files land beside it, named with the folder's name as their head.
bool MakeAnsiFolder(const std::string &path) {
#ifdef _WIN32
  return CreateDirectoryA(path.c_str(), nullptr) != FALSE;
#else
  (void)path;
  return true;
#endif
}

bool CanOpen(const std::string &path) {
  CStdioFile file;
  return file.Open(path.c_str(), CStdioFile::modeRead | CStdioFile::shareDenyNone | CStdioFile::typeText);
}

std::vector<std::string> KindPaths(const std::string &folder) {
  std::vector<std::string> paths;
  for (const KindInf &kind : kKindInfs)
    paths.push_back(folder + "\\" + kind.fileName);
  return paths;
}

class HostileInput : public ::testing::TestWithParam<SimMode> {};

TEST_P(HostileInput, InfEncodings) {
  const struct {
    const char *name;
    std::string (*encode)(const std::string &);
    InstallOutcome outcome;
  } encodings[] = {
      {"UTF-16LE with a byte-order mark", [](const std::string &t) { return Utf16(t, false, true); },
       InstallOutcome::Success},
      {"UTF-8 with a byte-order mark", [](const std::string &t) { return "\xEF\xBB\xBF" + t; }, InstallOutcome::Success},
      // Read as bytes, these hold no section header: no hardware ID, so nothing is installed.
      {"UTF-16LE without a byte-order mark", [](const std::string &t) { return Utf16(t, false, false); },
       InstallOutcome::Failure},
      {"UTF-16BE with a byte-order mark", [](const std::string &t) { return Utf16(t, true, true); },
       InstallOutcome::Failure},
      // A lone CR is line text: the models section's header and its IDs make one line.
      {"CR alone ending each line", [](const std::string &t) { return CrOnly(t); }, InstallOutcome::Failure},
  };
  for (const auto &encoding : encodings) {
    SCOPED_TRACE(encoding.name);
    TempInfDir package;
    for (const KindInf &kind : kKindInfs)
      package.Write(kind.fileName, encoding.encode(InfTextForKind(kind, {kind.hardwareId})));
    Installer installer(GetParam());
    EXPECT_EQ(installer.RunFrom(package.ExePath()), encoding.outcome);
    installer.ExpectNothingUnrelatedTouched();
    EXPECT_TRUE(RootNodes(installer.tree).empty());
    if (encoding.outcome == InstallOutcome::Success) {
      EXPECT_EQ(installer.tree.forcedInfs, KindPaths(package.Dir()));
    } else {
      EXPECT_TRUE(installer.tree.forcedInfs.empty());
      EXPECT_EQ(installer.tree.CallCount("SetupDiCreateDeviceInfoA"), 0);
      EXPECT_EQ(installer.tree.CallCount("FileExists"), 0) << "no installing step without a hardware ID";
    }
  }
}

TEST_P(HostileInput, NulBytesInsideLinesNeverWidenAMatch) {
  // Before the first NUL these values are empty or short; matched on that head they would take in
  // every device whose ID is no longer, the unrelated one included.
  TempInfDir package;
  package.WriteKind(kKindInfs[1]);
  package.WriteKind(kKindInfs[2]);
  std::string modem = InfTextForKind(kKindInfs[0], {std::string(1, '\0') + kModemId, std::string(7, '\0'),
                                                    std::string("USB\0\0\0\0\0\0\0\0", 11)},
                                     {kModemId});
  modem.insert(modem.find("[Manufacturer]"), std::string("; a comment with a \0 in it\r\n", 28));
  package.Write(kKindInfs[0].fileName, modem);

  Installer installer(GetParam());
  installer.unrelated.push_back(installer.tree.AddPresentDevice({"USB\\VID_05C6&PID_9018&MI_0"}, "Modem"));
  installer.unrelated.push_back(installer.tree.AddPresentDevice({"USB"}));
  EXPECT_EQ(installer.RunFrom(package.ExePath()), InstallOutcome::Success);
  installer.ExpectNothingUnrelatedTouched();
  // The modem's driver went onto a node of its fallback ID, which no value names: it stays.
  const std::vector<SimDevice> nodes = RootNodes(installer.tree);
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_EQ(nodes[0].hardwareIds->front(), kModemId);
  EXPECT_FALSE(nodes[0].installedInf.empty());
}

TEST_P(HostileInput, OneMegabyteLines) {
  const std::string megabyte(1 << 20, 'h');
  {
    SCOPED_TRACE("a 1 MB comment and a 1 MB line without a comma around the ID");
    TempInfDir package;
    package.WriteKind(kKindInfs[0]);
    package.WriteKind(kKindInfs[1]);
    const KindInf &adb = kKindInfs[2];
    std::string text = InfTextForKind(adb, {adb.hardwareId});
    const std::string header = std::string("[") + adb.section + "]\r\n";
    text.insert(text.find(header) + header.size(), ";" + megabyte + "\r\n");
    text.insert(text.find("\r\n[TestInstall.NT]"), "\r\n" + megabyte);
    package.Write(adb.fileName, text);
    Installer installer(GetParam());
    EXPECT_EQ(installer.RunFrom(package.ExePath()), InstallOutcome::Success);
    installer.ExpectNothingUnrelatedTouched();
    EXPECT_TRUE(RootNodes(installer.tree).empty());
  }
  {
    SCOPED_TRACE("a 1 MB hardware ID");
    TempInfDir package;
    package.WriteKind(kKindInfs[0]);
    package.WriteKind(kKindInfs[1]);
    package.Write(kKindInfs[2].fileName, InfTextForKind(kKindInfs[2], {megabyte}, {kAdbId}));
    Installer installer(GetParam());
    EXPECT_EQ(installer.RunFrom(package.ExePath()), InstallOutcome::Success);
    installer.ExpectNothingUnrelatedTouched();
    // No device has it, so the driver goes onto a node of the fallback ID, which the scan does not match.
    const std::vector<SimDevice> nodes = RootNodes(installer.tree);
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0].hardwareIds->front(), kAdbId);
    EXPECT_EQ(CountText(installer.trace.texts, SearchText(megabyte).substr(0, kTraceLimit)), 1);
  }
}

TEST_P(HostileInput, TraceTextsAroundTheChannelsLimit) {
  // "Search for Device ID: [" and "\n]\n" around the ID: 511, 512 and 5,000 bytes in all.
  for (size_t total : {kTraceLimit, kTraceLimit + 1, size_t{5000}}) {
    SCOPED_TRACE(total);
    const std::string id = "USB\\" + std::string(total - 26 - 4, 'T');
    const std::string text = SearchText(id);
    ASSERT_EQ(text.size(), total);
    TempInfDir package;
    package.WriteKind(kKindInfs[0]);
    package.WriteKind(kKindInfs[1]);
    package.Write(kKindInfs[2].fileName, InfTextForKind(kKindInfs[2], {id}, {kAdbId}));
    Installer installer(GetParam());
    EXPECT_EQ(installer.RunFrom(package.ExePath()), InstallOutcome::Success);
    installer.ExpectNothingUnrelatedTouched();
    EXPECT_EQ(CountText(installer.trace.texts, text.substr(0, kTraceLimit)), 1);
    if (total <= kTraceLimit) {
      EXPECT_GE(CountText(installer.trace.texts, id), 1) << "the value as the reader traced it";
    }
  }
}

TEST_P(HostileInput, InfsWithoutVersionOrWithAMalformedClassGuid) {
  const KindInf &adb = kKindInfs[2];
  const std::string noVersion = InfTextForKind(adb, {adb.hardwareId}).substr(std::strlen("[Version]"));
  const struct {
    const char *name;
    std::string text;
  } infs[] = {
      {"no [Version]", "[NotVersion]" + noVersion},
      {"a digit short", InfText(adb.section, {adb.hardwareId}, adb.className, "{6F37739D-2FBD-4557-B463-15A74F02A54}")},
      {"no braces", InfText(adb.section, {adb.hardwareId}, adb.className, "6F37739D-2FBD-4557-B463-15A74F02A548")},
      {"not hexadecimal", InfText(adb.section, {adb.hardwareId}, adb.className, "{6F37739D-2FBD-4557-B463-15A74F02AG48}")},
      {"a brace missing", InfText(adb.section, {adb.hardwareId}, adb.className, "{6F37739D-2FBD-4557-B463-15A74F02A548")},
  };
  for (const auto &inf : infs) {
    SCOPED_TRACE(inf.name);
    TempInfDir package;
    package.WriteKind(kKindInfs[0]);
    package.WriteKind(kKindInfs[1]);
    package.Write(adb.fileName, inf.text);
    Installer installer(GetParam());
    EXPECT_EQ(installer.RunFrom(package.ExePath()), InstallOutcome::Failure);
    installer.ExpectNothingUnrelatedTouched();
    // Its scan fails; its installing step reads the ID anyway and fails on the class, saying so.
    EXPECT_EQ(CountText(installer.trace.texts, "GetINFClass fail"), 1);
    EXPECT_EQ(CountText(installer.trace.texts, kInstalled), 2);
    EXPECT_EQ(installer.tree.CallCount("SetupDiCreateDeviceInfoList"), 2);
    EXPECT_TRUE(RootNodes(installer.tree).empty());
  }
}

TEST_P(HostileInput, PathsLongerThan260Bytes) {
  for (size_t length : {size_t{300}, size_t{1000}}) {
    SCOPED_TRACE(length);
    TempInfDir package;
    // Real folders, each name well under the file system's limit.
    std::filesystem::path deep = package.Dir();
    while (deep.string().size() < length)
      deep /= std::string(90, 'd');
    std::error_code error;
    std::filesystem::create_directories(deep, error);
    ASSERT_FALSE(error) << "cannot make the folder: " << error.message();
    const std::string folder = deep.string();
    for (const KindInf &kind : kKindInfs)
      WriteFile(folder + "\\" + kind.fileName, InfTextForKind(kind, {kind.hardwareId}));
    const std::vector<std::string> paths = KindPaths(folder);
    // Windows refuses such paths; Wine (measured) opens them, but its FindFirstFileA finds nothing
    // there, so the installing step reports the file missing.
    const bool readable = std::all_of(paths.begin(), paths.end(), CanOpen);
    const bool findable = std::all_of(paths.begin(), paths.end(), [](const std::string &path) {
      SimDeviceTree probe;
      return probe.FileExists(path.c_str());
    });
    const bool installable = readable && findable;

    Installer installer(GetParam());
    EXPECT_EQ(installer.RunFrom(folder + "\\Quarvel.exe"),
              installable ? InstallOutcome::Success : InstallOutcome::Failure)
        << "traced: " << installer.trace.Joined().substr(0, 2000);
    if (readable && !findable) {
      const std::string missing = ("File not found:" + folder).substr(0, kTraceLimit);
      EXPECT_EQ(TextsStartingWith(installer.trace.texts, missing).size(), 3u);
    }
    EXPECT_TRUE(installer.core.RunFolderInstall(folder.c_str()));
    installer.ExpectNothingUnrelatedTouched();
    EXPECT_TRUE(RootNodes(installer.tree).empty());
    // Each driver came from its full path, never from one cut at a fixed size.
    std::vector<std::string> twice = paths;
    twice.insert(twice.end(), paths.begin(), paths.end());
    EXPECT_EQ(installer.tree.forcedInfs, installable ? twice : std::vector<std::string>{});
  }
  {
    SCOPED_TRACE("a module path longer than the platform can give");
    Installer installer(GetParam());
    EXPECT_EQ(installer.RunFrom("C:\\" + std::string(40000, 'm') + "\\Quarvel.exe"), InstallOutcome::Failure);
    for (const std::string &call : installer.tree.CallLog())
      EXPECT_EQ(call, "GetModuleFileNameA");
    EXPECT_TRUE(installer.trace.texts.empty());
  }
}

TEST_P(HostileInput, FolderNamesWhoseTrailBytesAreBackslashes) {
  if (!IsAnsiLeadByte(0xB5))
    GTEST_SKIP() << "the ANSI code page has no double-byte characters; run with a Chinese locale";
  // Each name ends in a double-byte character whose trail byte has the backslash's code.
  for (const char *name : {"\xB5\x5C", "\xD6\xD0\xCE\xC4\xB5\x5C", "\xB5\x5C\xB5\x5C"}) {
    SCOPED_TRACE(name);
    TempInfDir package;
    const std::string folder = package.Dir() + "\\" + name;
    ASSERT_TRUE(MakeAnsiFolder(folder));
    for (const KindInf &kind : kKindInfs)
      WriteFile(folder + "\\" + kind.fileName, InfTextForKind(kind, {kind.hardwareId}));
    const std::vector<std::string> paths = KindPaths(folder);
    ASSERT_TRUE(std::all_of(paths.begin(), paths.end(), CanOpen));

    Installer installer(GetParam());
    EXPECT_EQ(installer.RunFrom(folder + "\\Quarvel.exe"), InstallOutcome::Success);
    EXPECT_TRUE(installer.core.RunFolderInstall(folder.c_str()));
    installer.ExpectNothingUnrelatedTouched();
    EXPECT_TRUE(RootNodes(installer.tree).empty());
    std::vector<std::string> twice = paths;
    twice.insert(twice.end(), paths.begin(), paths.end());
    EXPECT_EQ(installer.tree.forcedInfs, twice);
  }
}

TEST_P(HostileInput, PresentDevicesWithVeryLongHardwareIds) {
  TempInfDir package;
  package.WriteAllKinds();
  // The phone's modem with a long ID: the INF's ID followed by a separator, so it matches.
  for (size_t length : {size_t{1998}, size_t{1999}, size_t{2000}, size_t{5000}}) {
    SCOPED_TRACE(length);
    const std::string id = std::string(kModemId) + "&" + std::string(length - std::strlen(kModemId) - 1, 'L');
    Installer installer(GetParam());
    const std::string modem = installer.tree.AddPresentDevice({id}, "Modem");
    // Windows updates no device by an ID longer than a device ID may be: when the scan matched the
    // modem by its long ID, its forced update fails.
    const bool fits = length <= 1998;
    const bool refused = fits && GetParam() == SimMode::Windows;
    EXPECT_EQ(installer.RunFrom(package.ExePath()), refused ? InstallOutcome::Failure : InstallOutcome::Success);
    installer.ExpectNothingUnrelatedTouched({modem});
    EXPECT_TRUE(RootNodes(installer.tree).empty());
    // With its two terminating zeros the property fits the scan's 2000-byte buffer only up to 1998
    // bytes. Then the scan matches the device and the driver is forced onto it; a longer one is
    // passed over, so its driver goes onto a node of the modem's fallback ID (which the scan after
    // the install matches and removes), and each pass's search compares its long ID.
    std::vector<std::string> forced = KindPaths(package.Dir());
    if (refused)
      forced.erase(forced.begin());
    EXPECT_EQ(installer.tree.forcedInfs, forced);
    EXPECT_EQ(installer.tree.CallCount("SetupDiCreateDeviceInfoA"), fits ? 2 : 3);
    EXPECT_EQ(installer.tree.FindDevice(modem) == nullptr, fits);
    const std::string compared = "Compare device ID: [" + id + "\n]\n";
    EXPECT_EQ(CountText(installer.trace.texts, compared.substr(0, kTraceLimit)), fits ? 1 : 3);
  }
}

TEST_P(HostileInput, HardwareIdPropertiesWithoutTheirTerminators) {
  TempInfDir package;
  package.WriteAllKinds();
  Installer installer(GetParam());
  HostileTree &tree = installer.tree;
  const struct {
    const char *name;
    std::string bytes;
    bool phone;
  } properties[] = {
      {"one ID, no zero", "USB\\VID_1234&PID_0002", false},
      {"fills the scan's buffer", std::string(2000, 'Z'), false},
      {"one byte past the scan's buffer", std::string(2001, 'Y'), false},
      {"empty", std::string(), false},
      {"second ID unterminated", std::string("USB\\VID_1234&PID_0003\0USB\\X", 28), false},
      {"the phone's modem, no zero", kModemId, true},
  };
  std::vector<std::string> phone;
  for (const auto &property : properties) {
    // The tree's own record of the IDs only serves its driver updates, which go by the phone's ID.
    const std::string id = tree.AddPresentDevice({property.phone ? kModemId : "USB\\UNREAD"});
    tree.rawIdsByDevInst[tree.DevInstOf(id)] = property.bytes;
    (property.phone ? phone : installer.unrelated).push_back(id);
  }
  ASSERT_EQ(tree.rawIdsByDevInst.size(), std::size(properties));
  ASSERT_EQ(tree.rawIdsByDevInst.count(0), 0u);

  EXPECT_EQ(installer.RunFrom(package.ExePath()), InstallOutcome::Success);
  installer.ExpectNothingUnrelatedTouched(phone);
  EXPECT_EQ(tree.FindDevice(phone[0]), nullptr) << "the phone's modem is found by its unterminated ID";
  EXPECT_TRUE(RootNodes(tree).empty());
  EXPECT_EQ(CountText(installer.trace.texts, "Found! [" + std::string(kModemId) + "\n]\n"), 1);
}

TEST_P(HostileInput, APropertyReadThatKeepsAskingForNoMoreRoom) {
  TempInfDir package;
  package.WriteAllKinds();
  Installer installer(GetParam());
  const std::string stuck = installer.tree.AddPresentDevice({kModemId}, "Modem");
  installer.tree.stuckDevInst = installer.tree.DevInstOf(stuck);
  ASSERT_NE(installer.tree.stuckDevInst, 0u);
  installer.unrelated.push_back(stuck); // never read, so never matched: nothing may remove it

  // Each search gives up at that device and says so; each driver then goes onto a node of its own.
  EXPECT_EQ(installer.RunFrom(package.ExePath()), InstallOutcome::Success);
  installer.ExpectNothingUnrelatedTouched();
  EXPECT_EQ(CountText(installer.trace.texts, "GetDeviceRegistryProperty"), 3);
  EXPECT_EQ(installer.tree.CallCount("SetupDiCreateDeviceInfoA"), 3);
  EXPECT_TRUE(RootNodes(installer.tree).empty());
}

INSTANTIATE_TEST_SUITE_P(BothModes, HostileInput, ::testing::Values(SimMode::Windows, SimMode::Wine),
                         [](const ::testing::TestParamInfo<SimMode> &info) { return ModeName(info.param); });

} // namespace
