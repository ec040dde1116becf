#pragma once
// Error and exception boxes.
#include <exception>

namespace Dialog {

// Logs the exception's text and shows it in an error box.
void showException(const std::exception& e);

} // namespace Dialog
