#pragma once
// Error, exception and question boxes, and their posted forms for other threads.
#include <exception>
#include <string>

namespace Dialog {

// Makes these boxes show the reports of core/ and the layers above it
// (System::Report). Called once when the program starts.
void installReportSink();

// The product title, the caption of the program's boxes.
extern const wchar_t* const ProductTitle;
// The build's version string.
const wchar_t* programVersion();
// The caption of exception boxes: the title, the version in brackets and " : Application Exception".
std::wstring exceptionCaption();

// Stops preview playback: every box and dialog does before it waits for a person.
void stopPlayback();

// Logs the exception's text and shows it in an error box.
void showException(const std::exception& e);
// The box of an exception that ended the main loop (logged by the caller).
void showApplicationException(const std::wstring& message);

// An OK/Cancel question with a warning icon, the text translated through the
// "Message" table; playback stops first. True for OK (without a person: false,
// unless an answerer of message boxes says OK).
bool showConfirm(const wchar_t* text);

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
