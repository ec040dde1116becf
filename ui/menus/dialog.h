#pragma once
// Error and exception boxes, and their posted forms for other threads.
#include <exception>

namespace Dialog {

// Makes these boxes show the reports of core/ and the layers above it
// (System::Report). Called once when the program starts.
void installReportSink();

// Logs the exception's text and shows it in an error box.
void showException(const std::exception& e);

// Formats the message (printf rules, cut at 1023 characters), logs it and shows it
// in an error box; returns the box's answer. The wide form shows the translation
// of the finished message from the "Message" table when a language is loaded.
int showError(const char* format, ...) __attribute__((format(printf, 1, 2)));
int showError(const wchar_t* format, ...);

// From any thread: the main thread shows the message (formatted now) in the error
// box later. Returns the formatted length.
int postError(const wchar_t* format, ...);
// From any thread: the main thread shows a copy of the exception later.
void postException(const std::exception& e);

} // namespace Dialog
