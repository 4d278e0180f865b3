// Fixed message-list and message-box texts shared by the sender tabs and the file features.
#pragma once

inline constexpr const char* kSendAsciiPrefix = "---* Send General ASCII COMMAND *---   ";
inline constexpr const char* kFileOperatePrefix = "---* File Operate *---   ";
inline constexpr const char* kFileNameEmpty = "File Name is Empty! There is no file had been saved.";
