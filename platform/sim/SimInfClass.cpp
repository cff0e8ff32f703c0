// The class an INF declares.

#include "platform/sim/SimTreeState.h"

BOOL SimDeviceTree::SetupDiGetINFClassA(PCSTR infName, GUID *classGuid, PSTR className, DWORD classNameSize,
                                        DWORD *requiredSize) {
  if (!Enter("SetupDiGetINFClassA"))
    return FALSE;
  if (!infName || !classGuid)
    return Fail(ERROR_INVALID_PARAMETER);
  const bool wine = RulesFor(m_mode).infClassAsWine;
  // Wine reads the class through its profile reader, which takes a few more forms of text.
  std::optional<SimInfText> inf = SimInfText::Load(infName, wine);
  if (!inf)
    return Fail(ERROR_FILE_NOT_FOUND);
  if (wine && (!className || classNameSize == 0))
    return Fail(ERROR_INVALID_PARAMETER);
  // Measured under Wine: a file that is no INF, or declares no class, fails with the code cleared.
  std::optional<std::string> signature = inf->Value("Version", "Signature");
  if (!signature || (!SimEqualNoCase(*signature, "$Chicago$") && !SimEqualNoCase(*signature, "$Windows NT$")))
    return Fail(wine ? ERROR_SUCCESS : ERROR_WRONG_INF_STYLE);
  std::optional<std::string> guidText = inf->Value("Version", "ClassGUID");
  std::optional<std::string> name = inf->Value("Version", "Class");
  if ((!guidText || guidText->empty()) && (!name || name->empty())) {
    if (wine && requiredSize)
      *requiredSize = 0;
    return Fail(wine ? ERROR_SUCCESS : ERROR_INVALID_CLASS);
  }
  GUID guid{};
  const bool hasGuid = guidText && !guidText->empty();
  if (hasGuid) {
    std::string text = *guidText;
    // Measured under Wine: the characters around the identifier are dropped unread, braces or not.
    if (wine && text.size() == 38) {
      text.front() = '{';
      text.back() = '}';
    }
    if (!ParseGuid(text, guid))
      return Fail(wine ? ERROR_INVALID_PARAMETER : ERROR_INVALID_CLASS);
  } else {
    guid = GuidForClassName(*name);
  }
  if (wine && (!name || name->empty())) {
    // Measured under Wine: the identifier alone succeeds with code 87, no name and a size of 0.
    *classGuid = guid;
    if (requiredSize)
      *requiredSize = 0;
    m_dwLastError = ERROR_INVALID_PARAMETER;
    return TRUE;
  }
  std::string text = name ? *name : std::string();
  DWORD needed = static_cast<DWORD>(text.size() + 1);
  if (!className || classNameSize < needed) {
    if (!wine) {
      if (requiredSize)
        *requiredSize = needed;
      return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    // Wine still succeeds on the strength of the identifier; the name is cut short.
    *classGuid = guid;
    std::memcpy(className, text.data(), classNameSize - 1);
    className[classNameSize - 1] = '\0';
    if (requiredSize)
      *requiredSize = 0;
    m_dwLastError = ERROR_INSUFFICIENT_BUFFER;
    return TRUE;
  }
  std::memcpy(className, text.c_str(), needed);
  // Measured under Wine: a class named without its identifier leaves the identifier unwritten.
  if (!wine || hasGuid)
    *classGuid = guid;
  if (requiredSize)
    *requiredSize = needed;
  // Unlike most of Wine's calls, this one clears the code on success.
  m_dwLastError = ERROR_SUCCESS;
  return Succeed();
}
