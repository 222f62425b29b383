// Texts that several dialogs of the wizard share.
#pragma once

inline constexpr const char* kMainCaption = "Vantor for VMWare";
inline constexpr const char* kStopQuestion = "Are you sure you want to stop this process";
inline constexpr const char* kBackToStep2Question = "Are you sure you want to go back to Step 2";
inline constexpr const char* kExitQuestion = "Are you sure you want to exit";
inline constexpr const char* kWrongFileMessage = "Please select a correct virtual machine file";
inline constexpr const char* kOpenRecoveryHistory = "Open Recovery History";
