#pragma once

#include "platform/Widgets.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace pelorin::test {

// Dialogs answered from queues, without a modal loop; every question asked is recorded in order.
// An empty queue answers as closing the box would: No for a Yes/No question, Cancel for a
// Yes/No/Cancel one, no path for a file dialog.
class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Ok, YesNo, YesNoCancel, SaveFile };
    struct Question {
        Kind kind;
        std::string text; // the message, or the start path of a file dialog
        std::string title;
        bool operator==(const Question&) const = default;
    };

    std::deque<Answer> answers;
    std::deque<std::string> savePaths;
    std::vector<Question> asked;
    // Runs while a Yes/No question is open, as the events a modal box's own loop delivers would.
    std::function<void()> whileAsking;

    Answer Message(const std::string& text, const std::string& title, bool yesNoCancel) override {
        asked.push_back({yesNoCancel ? Kind::YesNoCancel : Kind::Ok, text, title});
        return yesNoCancel ? Next(Answer::Cancel) : Answer::Ok;
    }

    Answer Ask(const std::string& text, const std::string& title) override {
        asked.push_back({Kind::YesNo, text, title});
        if (whileAsking)
            whileAsking();
        return Next(Answer::No);
    }

    std::string SaveFile(const std::string& title, const std::string& startPath,
                         const std::string&) override {
        asked.push_back({Kind::SaveFile, startPath, title});
        if (savePaths.empty())
            return {};
        std::string path = savePaths.front();
        savePaths.pop_front();
        return path;
    }

private:
    Answer Next(Answer whenEmpty) {
        if (answers.empty())
            return whenEmpty;
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

} // namespace pelorin::test
