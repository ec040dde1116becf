#include "core/event_service.h"

#include "core/clipboard.h"
#include "core/failure.h"
#include "core/log.h"
#include "core/report.h"
#include "platform/ui/main_thread.h"

namespace Event {

EventService::~EventService() = default; // the lists go last first

void EventService::processEventCommandMessage(EventCommand command)
{
    const auto kind = static_cast<EventCommandType>(command.kind);
    switch (kind) {
    case EventCommandType::NotifyVideoFrame:
        videoFrameRendered(Render::RenderTaskType::Preview, static_cast<int>(command.value));
        return;
    case EventCommandType::NotifyAudioBlock:
        audioBlockRendered(Render::RenderTaskType::Preview, static_cast<int>(command.value));
        return;
    case EventCommandType::NotifyWaveform:
        waveformUpdated();
        return;
    case EventCommandType::RethrowException:
        if (auto* p = dynamic_cast<ExceptionPayload*>(command.payload.get())) {
            System::Exception copy(p->text);
            command.payload.reset();
            throw copy;
        }
        break;
    case EventCommandType::ShowException:
        if (auto* p = dynamic_cast<ExceptionPayload*>(command.payload.get())) {
            System::Exception copy(p->text);
            command.payload.reset();
            System::Report::showException(copy);
            return;
        }
        break;
    case EventCommandType::ShowError:
        if (auto* p = dynamic_cast<ErrorPayload*>(command.payload.get())) {
            // The finished message is not read as a format a second time.
            System::Report::showError(L"%s", p->message.c_str());
            return;
        }
        break;
    case EventCommandType::SetClipboardImage:
        if (auto* p = dynamic_cast<System::ClipboardImagePayload*>(command.payload.get())) {
            System::Clipboard::setImage(p->image);
            return;
        }
        break;
    case EventCommandType::OutputFileEnd:
        if (outputFileEnd)
            outputFileEnd();
        return;
    }
    // An undefined kind, or a command without the payload its kind needs; the
    // payload is freed with the command.
    System::Log::warn("Event::EventService::processEventCommandMessage", "unknown EventCommandType.");
}

bool postEventCommand(EventCommand command)
{
    // std::function needs a copyable callable: the command travels in a shared holder.
    auto holder = std::make_shared<EventCommand>(std::move(command));
    return Platform::Ui::postToMainThread([holder] {
        EventCommand c = std::move(*holder);
        if (EventService* service = EventService::Get())
            service->processEventCommandMessage(std::move(c));
    });
}

bool postEventCommand(EventCommandType kind, intptr_t value)
{
    EventCommand command;
    command.kind = static_cast<uint32_t>(kind);
    command.value = value;
    return postEventCommand(std::move(command));
}

bool postException(EventCommandType kind, const char* text)
{
    EventCommand command;
    command.kind = static_cast<uint32_t>(kind);
    command.payload = std::make_unique<ExceptionPayload>(text ? text : "");
    return postEventCommand(std::move(command));
}

bool postException(EventCommandType kind, const std::exception& e)
{
    return postException(kind, e.what());
}

} // namespace Event
