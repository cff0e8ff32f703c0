// The trace channel through the real window calls: texts set on a real top-level window titled
// "DebugHelper " that another thread of this process owns, read back byte for byte.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "trace/DebugTrace.h"

namespace {

const char kTitle[] = "DebugHelper ";
const char kSinkClass[] = "QuarvelTraceSink";

// What a sink window has been sent.
struct Sink {
  std::mutex lock;
  std::vector<std::string> texts;
  bool setLastErrorOnText = false; // the handler leaves its own code behind, on its own thread
  bool quitOnDestroy = false;

  // The texts that start with prefix: the window may also hear from other tests that trace.
  std::vector<std::string> TextsStartingWith(const std::string &prefix) {
    std::lock_guard<std::mutex> guard(lock);
    std::vector<std::string> mine;
    for (const std::string &text : texts)
      if (text.compare(0, prefix.size(), prefix) == 0)
        mine.push_back(text);
    return mine;
  }
};

LRESULT CALLBACK SinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const CREATESTRUCTA *create = reinterpret_cast<const CREATESTRUCTA *>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  Sink *sink = reinterpret_cast<Sink *>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_SETTEXT && sink) {
    // Taken, not passed on: the default handling would retitle the window and lose it for the next lookup.
    {
      std::lock_guard<std::mutex> guard(sink->lock);
      sink->texts.emplace_back(reinterpret_cast<const char *>(lParam));
    }
    if (sink->setLastErrorOnText)
      SetLastError(99);
    return TRUE;
  }
  if (message == WM_DESTROY && sink && sink->quitOnDestroy)
    PostQuitMessage(0);
  return DefWindowProcA(window, message, wParam, lParam);
}

bool UnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Wine without a display loads no window driver for its default desktop, so no top-level window can be
// created there. Under Wine the tests' threads join a desktop of their own instead, whose window
// manager starts while the null driver is configured (see NullWindowDriver). On Windows nothing changes.
bool JoinTestDesktop() {
  if (!UnderWine())
    return true;
  static HDESK desktop = CreateDesktopA("QuarvelTraceTests", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  return desktop && SetThreadDesktop(desktop);
}

// Configures Wine's null window driver for the current user while it lives, then puts the old setting back.
class NullWindowDriver {
public:
  NullWindowDriver() {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Drivers", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &m_hKey, nullptr) != ERROR_SUCCESS) {
      m_hKey = nullptr;
      return;
    }
    DWORD type = 0;
    DWORD size = sizeof m_szPrevious - 1;
    m_bHadValue = RegQueryValueExA(m_hKey, kValue, nullptr, &type, reinterpret_cast<BYTE *>(m_szPrevious), &size) ==
                      ERROR_SUCCESS && type == REG_SZ;
    RegSetValueExA(m_hKey, kValue, 0, REG_SZ, reinterpret_cast<const BYTE *>("null"), 5);
  }
  ~NullWindowDriver() {
    if (!m_hKey)
      return;
    if (m_bHadValue)
      RegSetValueExA(m_hKey, kValue, 0, REG_SZ, reinterpret_cast<const BYTE *>(m_szPrevious),
                     static_cast<DWORD>(std::strlen(m_szPrevious) + 1));
    else
      RegDeleteValueA(m_hKey, kValue);
    RegCloseKey(m_hKey);
  }
  NullWindowDriver(const NullWindowDriver &) = delete;
  NullWindowDriver &operator=(const NullWindowDriver &) = delete;

private:
  static constexpr const char *kValue = "Graphics";
  HKEY m_hKey = nullptr;
  bool m_bHadValue = false;
  char m_szPrevious[256] = {};
};

HWND CreateSinkWindow(const char *title, Sink *sink) {
  static const bool registered = [] {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = SinkProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kSinkClass;
    return RegisterClassA(&windowClass) != 0;
  }();
  if (!registered)
    return nullptr;
  // Top-level (FindWindowA does not see message-only windows) and never shown.
  return CreateWindowExA(0, kSinkClass, title, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                         GetModuleHandleA(nullptr), sink);
}

// A sink window owned by a thread of its own, with its own message loop, like a separate debugging tool.
class SinkThread {
public:
  explicit SinkThread(const char *title) {
    sink.quitOnDestroy = true;
    std::future<HWND> ready = m_created.get_future();
    m_thread = std::thread([this, title] {
      HWND window = JoinTestDesktop() ? CreateSinkWindow(title, &sink) : nullptr;
      m_created.set_value(window);
      if (!window)
        return;
      MSG message;
      while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
      }
    });
    window = ready.get();
  }
  ~SinkThread() {
    if (window)
      PostMessageA(window, WM_CLOSE, 0, 0);
    m_thread.join();
  }
  SinkThread(const SinkThread &) = delete;
  SinkThread &operator=(const SinkThread &) = delete;

  Sink sink;
  HWND window = nullptr;

private:
  std::promise<HWND> m_created; // outlives the thread that fulfils it
  std::thread m_thread;
};

// One test at a time across the processes of this Wine prefix may own a window with the title (or a
// lookup could find another test's window) and touch the window driver setting.
class TraceWindow : public ::testing::Test {
protected:
  void SetUp() override {
    m_hLock = CreateMutexA(nullptr, FALSE, "QuarvelTraceWindowTests");
    ASSERT_NE(m_hLock, nullptr);
    const DWORD waited = WaitForSingleObject(m_hLock, 60000);
    ASSERT_TRUE(waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) << waited;
    m_bLocked = true;
    if (UnderWine())
      m_pNullDriver = std::make_unique<NullWindowDriver>();
    ASSERT_TRUE(JoinTestDesktop()) << GetLastError();
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    m_strTag = "<" + std::to_string(GetCurrentProcessId()) + " " + test->name() + "> ";
  }
  void TearDown() override {
    m_pNullDriver.reset();
    if (m_bLocked)
      ReleaseMutex(m_hLock);
    if (m_hLock)
      CloseHandle(m_hLock);
  }
  // Every text of a test starts with this tag, so that texts traced by other processes are told apart.
  const std::string &Tag() const { return m_strTag; }

private:
  std::unique_ptr<NullWindowDriver> m_pNullDriver;
  HANDLE m_hLock = nullptr;
  bool m_bLocked = false;
  std::string m_strTag;
};

TEST_F(TraceWindow, TextsArriveByteForByte) {
  SinkThread debugHelper(kTitle);
  ASSERT_NE(debugHelper.window, nullptr);
  const std::string gbk = "\xD6\xD0\xCE\xC4\xB2\xE2\xCA\xD4\xA3\xA1";
  const std::string id = "USB\\VID_05C6&PID_9018&MI_02";
  std::string longText(700, 'x');
  for (size_t i = 0; i < longText.size(); ++i)
    longText[i] = static_cast<char>('a' + i % 26);

  DebugTrace("%sSearch for Device ID: [%s\n]\n", Tag().c_str(), id.c_str());
  DebugTraceText((Tag() + gbk + "\n100%s done").c_str());
  DebugTrace("%s%s%s", Tag().c_str(), gbk.c_str(), longText.c_str());
  DebugTraceText(Tag().c_str());

  const std::vector<std::string> expected = {
      Tag() + "Search for Device ID: [" + id + "\n]\n",
      Tag() + gbk + "\n100%s done",
      (Tag() + gbk + longText).substr(0, 511),
      Tag(),
  };
  EXPECT_EQ(debugHelper.sink.TextsStartingWith(Tag()), expected);
  // The window kept its title through all of it.
  char title[64] = {};
  GetWindowTextA(debugHelper.window, title, sizeof title);
  EXPECT_STREQ(title, kTitle);
}

TEST_F(TraceWindow, TitleWithoutTrailingSpaceIsNotFound) {
  SinkThread almost("DebugHelper");
  ASSERT_NE(almost.window, nullptr);
  DebugTrace("%s%s", Tag().c_str(), "formatted");
  DebugTraceText((Tag() + "complete").c_str());
  EXPECT_TRUE(almost.sink.TextsStartingWith(Tag()).empty());
}

TEST_F(TraceWindow, TitleLookupIgnoresLetterCase) {
  SinkThread shouting("DEBUGHELPER ");
  ASSERT_NE(shouting.window, nullptr);
  DebugTraceText((Tag() + "found").c_str());
  EXPECT_EQ(shouting.sink.TextsStartingWith(Tag()), std::vector<std::string>{Tag() + "found"});
}

TEST_F(TraceWindow, LastErrorCodeSurvivesTheWindowCalls) {
  {
    // The window of another thread: lookups and a cross-thread send.
    SinkThread debugHelper(kTitle);
    ASSERT_NE(debugHelper.window, nullptr);
    SetLastError(1234);
    DebugTrace("%s%s", Tag().c_str(), "formatted");
    EXPECT_EQ(GetLastError(), 1234u);
    DebugTraceText((Tag() + "complete").c_str());
    EXPECT_EQ(GetLastError(), 1234u);
    EXPECT_EQ(debugHelper.sink.TextsStartingWith(Tag()).size(), 2u);
  }
  {
    // A window of this very thread whose handler sets its own code: a send runs the handler right here.
    Sink sink;
    sink.setLastErrorOnText = true;
    HWND window = CreateSinkWindow(kTitle, &sink);
    ASSERT_NE(window, nullptr);
    SetLastError(1234);
    SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>((Tag() + "raw").c_str()));
    EXPECT_EQ(GetLastError(), 99u) << "the handler's code reaches the sender";
    SetLastError(1234);
    DebugTrace("%s%s", Tag().c_str(), "formatted");
    EXPECT_EQ(GetLastError(), 1234u);
    DebugTraceText((Tag() + "complete").c_str());
    EXPECT_EQ(GetLastError(), 1234u);
    EXPECT_EQ(sink.TextsStartingWith(Tag()).size(), 3u);
    DestroyWindow(window);
  }
  // No window at all: two failed lookups.
  SetLastError(1234);
  DebugTrace("%s%s", Tag().c_str(), "nowhere");
  EXPECT_EQ(GetLastError(), 1234u);
}

} // namespace
