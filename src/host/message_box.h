// The "Error" message boxes the user must see: modal, without owner, warning icon, and
// always written to stderr as well (with the reason where one is known), so a user in a
// terminal or without any display still reads them.
#pragma once

inline constexpr const char* kErrorCaption = "Error";

// Shows the box and waits for OK. detail (may be null) goes to stderr only.
void showErrorBox(const char* text, const char* detail = nullptr);

// With boxes off (frame export, benchmarks) the texts go to stderr only and nothing waits.
void setMessageBoxesEnabled(bool enabled);
bool messageBoxesEnabled();
