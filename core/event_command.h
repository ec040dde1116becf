#pragma once
// The commands other threads post to the main thread, where the event service runs them.
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

namespace Event {

enum class EventCommandType : uint32_t {
    NotifyVideoFrame = 0,  // value: frame number
    NotifyAudioBlock = 1,  // value: frame number
    NotifyWaveform = 2,    //
    RethrowException = 3,  // payload: ExceptionPayload
    ShowException = 4,     // payload: ExceptionPayload
    ShowError = 5,         // payload: ErrorPayload
    SetClipboardImage = 6, // payload: the image, owned by the command
    OutputFileEnd = 7,     //
};

// Data a command owns on its way to the main thread; freed with the command
// whatever happens to it (run, unknown kind, or never delivered).
class EventPayload {
public:
    virtual ~EventPayload() = default;
};

// A copy of an exception: its text.
class ExceptionPayload final : public EventPayload {
public:
    explicit ExceptionPayload(std::string text) : text(std::move(text)) {}
    std::string text;
};

// A finished error message.
class ErrorPayload final : public EventPayload {
public:
    explicit ErrorPayload(std::wstring message) : message(std::move(message)) {}
    std::wstring message;
};

struct EventCommand {
    uint32_t kind = 0;
    intptr_t value = 0;
    std::unique_ptr<EventPayload> payload;
};

// From any thread: hands the command to the main thread, where the event service
// runs it. Returns false when there is no main loop to take it (the payload is freed).
bool postEventCommand(EventCommand command);
bool postEventCommand(EventCommandType kind, intptr_t value = 0);
// Posts RethrowException or ShowException with a copy of the exception's text.
bool postException(EventCommandType kind, const char* text);
bool postException(EventCommandType kind, const std::exception& e);

} // namespace Event
