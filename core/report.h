#pragma once
// Failures shown to the user. core/ and the layers above it report here; the
// interface installs the boxes that show the reports when the program starts
// (ui/menus). Until then, and in programs without an interface, a report
// reaches the log alone.
#include <exception>
#include <functional>
#include <string>

namespace System::Report {

struct Sink {
    std::function<void(const std::exception& e)> exception;
    // A finished message in the narrow and in the wide form; the answer of the box.
    std::function<int(const std::string& message)> error;
    std::function<int(const std::wstring& message)> wideError;
};

// Installs the sink; an empty one puts back reporting to the log alone.
void setSink(Sink sink);

// Shows the exception's text.
void showException(const std::exception& e);
// Formats the message (printf rules, cut at 1023 characters) and shows it; returns
// the box's answer (0 when only the log took it). The wide message may be
// translated by the sink.
int showError(const char* format, ...) __attribute__((format(printf, 1, 2)));
int showError(const wchar_t* format, ...);

} // namespace System::Report
