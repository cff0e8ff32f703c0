#pragma once
// The texts the user sees after an automatic install. They are code page 936 (GBK) bytes: the
// punctuation is full-width. Show them through WideFromCodePage(936, ...) so that they read the same
// on a system of any language.

// "Install USB Driver Sucessful！"
inline constexpr char kInstallSucceededText[] = "Install USB Driver Sucessful\xA3\xA1";
// "Install USB Driver Fail，Please Select The Driver By yourself！"
inline constexpr char kInstallFailedText[] = "Install USB Driver Fail\xA3\xAC" "Please Select The Driver By yourself\xA3\xA1";

inline constexpr unsigned kTextCodePage = 936;

// The folder browser's title.
inline constexpr char kBrowseFolderTitle[] = "Please Select The file of The Driver";
