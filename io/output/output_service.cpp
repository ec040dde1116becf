#include "io/output/output_service.h"

#include "core/event_command.h"
#include "core/event_service.h"
#include "core/failure.h"
#include "core/log.h"
#include "core/module_trust_list.h"
#include "core/report.h"
#include "io/output/avi_file_save.h"
#include "io/output/image_file_save.h"
#include "io/output/output_host.h"
#include "io/output/output_plugin.h"
#include "io/plugin/external_output_plugin.h"
#include "io/plugin/plugin_module.h"
#include "media/audio_buffer.h"
#include "media/image_buffer.h"
#include "platform/ui/application.h"
#include "platform/ui/main_thread.h"
#include "project/edit/edit_service.h"
#include "render/render_service.h"

#include <cxxabi.h>

#include <cstdlib>

namespace Plugin {

namespace {
constexpr unsigned ProgressIntervalMs = 500;
} // namespace

OutputService::OutputService() : trustList(ModuleTrustList::Get())
{
    registerPlugin<AviFileSave>();
    registerPlugin<PngFileSave>();
    registerPlugin<JpgFileSave>();
    for (const std::wstring& module : findTrustedModules(trustList, L"vmo2"))
        registerPlugin(module);
    if (Event::EventService* events = Event::EventService::Get())
        events->outputFileEnd = [this] { outputFileEnd(); };
}

OutputService::~OutputService()
{
    if (Event::EventService* events = Event::EventService::Get())
        events->outputFileEnd = nullptr;
    // A running export's worker finishes before the caches it reads go.
    if (current)
        current->abortRequested = true;
    worker.stop();
    frameCache.stop();
    audioCache.stop();
    if (timerWatched_)
        Platform::Ui::unwatchHandle(timer.handle());
    exporting_ = false;
}

std::string OutputService::typeName(const std::type_info& type)
{
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : type.name();
    std::free(demangled);
    return name;
}

void OutputService::registerPlugin(const char* typeName, const std::function<std::shared_ptr<OutputPlugin>()>& create)
{
    try {
        std::shared_ptr<OutputPlugin> writer = create();
        System::Log::info("Plugin::OutputService::registerPlugin", L"register output plugin [%s]",
                          writer->name.c_str());
        writers.push_back(writer);
        writer->loadConfig(registrationCount++);
    } catch (const std::exception& e) {
        System::Report::showError("failed to register output plugin. [%s]\n\n%s", typeName, e.what());
    }
}

void OutputService::registerPlugin(const std::wstring& modulePath)
{
    registerPlugin(typeName(typeid(ExternalOutputPlugin)).c_str(),
                   [&] { return std::make_shared<ExternalOutputPlugin>(modulePath); });
}

void OutputService::outputFile(int index)
{
    if (index < 0 || size_t(index) >= writers.size())
        throw System::makeException("Plugin::OutputService::outputFile", "not found output plugin.", "");
    if (current)
        return;
    std::shared_ptr<OutputFile> job = writers[size_t(index)]->createOutputFile();
    if (!job)
        return;
    System::Log::info("Plugin::OutputService::outputFile", L"export file start : %s", job->fileName.c_str());

    current = job;
    exporting_ = true;
    job->progress.startTick = OutputFile::Progress::tickCount();
    worker.request(1, [job] {
        try {
            if (!job->save())
                job->failed = true;
        } catch (const std::exception& e) {
            job->failed = true;
            Event::postException(Event::EventCommandType::ShowException, e);
        }
        Event::postEventCommand(Event::EventCommandType::OutputFileEnd);
    });

    OutputHost::get().setInputEnable(false, [this](uint32_t message, uintptr_t wParam) {
        return cancelFilter(message, wParam);
    });
    job->progress.update();
    timer.setInterval(ProgressIntervalMs);
    timerWatched_ = Platform::Ui::watchHandle(timer.handle(), true, [this] {
        if (current)
            current->progress.update();
    });
}

bool OutputService::cancelFilter(uint32_t message, uintptr_t wParam)
{
    const bool asks = message == OutputHost::MessageClose ||
                      (message == OutputHost::MessageKeyDown && wParam == OutputHost::KeyEscape);
    if (!asks || !current || current->abortRequested)
        return false;
    if (Edit::EditService* edit = Edit::EditService::Get(); edit && edit->stopPlayback)
        edit->stopPlayback();
    Platform::Ui::MessageBox box;
    box.text = OutputHost::translate(OutputHost::Table::Message, L"ファイル出力を中断しますか？");
    box.caption = L"Velmora Tessel2";
    box.icon = Platform::Ui::BoxIcon::Warning;
    box.buttons = Platform::Ui::BoxButtons::OkCancel;
    box.defaultAnswer = Platform::Ui::BoxAnswer::Cancel;
    if (Platform::Ui::showMessageBox(box) == Platform::Ui::BoxAnswer::Ok)
        current->abortRequested = true;
    return false;
}

void OutputService::outputFileEnd()
{
    if (!current)
        return;
    worker.wait();
    if (Render::RenderService* render = Render::RenderService::Get()) {
        render->videoWorker.requestThread.wait();
        render->audioWorker.requestThread.wait();
    }
    frameCache.clear();
    audioCache.clear();

    timer.clear();
    if (timerWatched_)
        Platform::Ui::unwatchHandle(timer.handle());
    timerWatched_ = false;

    OutputHost& host = OutputHost::get();
    host.setFooterMessage(L"", L"", 0.0f);
    host.setInputEnable(true, nullptr);

    const wchar_t* text = L"export file complete";
    if (current->abortRequested) {
        text = L"export file cancel";
    } else if (current->failed) {
        // A failed export is no completion: its error was shown already.
        text = L"export file failed";
    } else if (current->notifyOnComplete) {
        host.showNotify(L"Velmora Tessel2", OutputHost::translate(OutputHost::Table::Message, L"ファイル出力が完了しました"));
    }
    System::Log::info("Plugin::OutputService::outputFileEnd", L"%s", text);
    current.reset();
    exporting_ = false;
}

} // namespace Plugin
