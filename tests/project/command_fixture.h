#pragma once
// The editing commands' world: the edit fixture, objects placed without undo,
// the dialogs answered by the test, and the check that a command's step
// undoes and redoes by the project's text.
#include "core/text.h"
#include "project/edit/edit_command.h"
#include "project/model/layer.h"
#include "tests/project/edit_fixture.h"

#include <optional>
#include <sstream>

namespace EditTest {

namespace EditCommand = Edit::EditCommand;

// A log line as LogCapture keeps it (wide messages reach the log in the ANSI code page).
inline std::string infoLine(const char* command, const std::wstring& message)
{
    return std::string("INFO|Edit::EditCommand::") + command + "|" + System::wideToAnsi(message);
}

class CommandFixture : public EditFixture {
protected:
    ~CommandFixture() override
    {
        Dialog::FrameLengthDialog::setAnswerer(nullptr);
        Dialog::InputNumberDialog::setAnswerer(nullptr);
    }

    // A placed object of the named top effect, made outside the undo history.
    std::shared_ptr<Edit::Object> put(int layer, int start, int end, const wchar_t* top = L"画像ファイル")
    {
        Edit::UpdateSection update;
        update.updateLayerObject = true;
        return scene().createObject(top, layer, start, end);
    }
    void select(std::initializer_list<std::shared_ptr<Edit::Object>> objects)
    {
        for (const auto& object : objects)
            scene().selection.addObject(object, scene());
    }
    // The objects of a layer as "start-end" in timeline order, placed ones only.
    std::string spans(int layer)
    {
        std::string text;
        for (const auto& object : scene().getLayer(layer).objects) {
            if (object->layer != layer)
                continue;
            text += (text.empty() ? "" : " ") + std::to_string(object->start) + "-" + std::to_string(object->end);
        }
        return text;
    }
    // Answers the frame-length dialog with OK and the frames (or Cancel), keeping its titles and first values.
    void answerFrames(std::optional<int> frames)
    {
        Dialog::FrameLengthDialog::setAnswerer([this, frames](Dialog::FrameLengthDialog& dialog) {
            frameDialogs.push_back({dialog.title, dialog.frames});
            if (frames)
                dialog.frames = *frames;
            return frames.has_value();
        });
    }

    // The project's text without the keys undo does not restore (focus and cursor).
    std::string text()
    {
        std::istringstream in(projectText());
        std::string line, kept;
        while (std::getline(in, line)) {
            if (line.rfind("focus=", 0) == 0 || line.rfind("cursor.frame=", 0) == 0)
                continue;
            kept += line + "\n";
        }
        return kept;
    }

    // Takes the text before a command; check() then takes it after, undoes the
    // command's one step and redoes it, comparing each time.
    class UndoCheck {
    public:
        explicit UndoCheck(CommandFixture& test) : test_(test), before_(test.text()) {}
        void check()
        {
            const std::string after = test_.text();
            EXPECT_NE(after, before_) << "the command changed nothing";
            ASSERT_TRUE(test_.undo().undo());
            EXPECT_EQ(test_.text(), before_);
            ASSERT_TRUE(test_.undo().redo());
            EXPECT_EQ(test_.text(), after);
        }

    private:
        CommandFixture& test_;
        std::string before_;
    };

    struct FrameDialog {
        std::wstring title;
        int frames;
    };
    std::vector<FrameDialog> frameDialogs;
};

} // namespace EditTest
