#pragma once

#include "platform/Widgets.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace pelorin::test {

// Dialogs answered from queues, without a modal loop, recording every question in order. An empty
// queue answers as closing the box would: No, Cancel, or no path for a file dialog.
class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Ok, YesNo, YesNoCancel, SaveFile };
    struct Question {
        Kind kind;
        std::string text; // the message, or the start path of a file dialog (UTF-8)
        std::string title;
        bool operator==(const Question&) const = default;
    };

    std::deque<Answer> answers;
    std::deque<QString> savePaths;
    std::vector<Question> asked;
    // Runs while a Yes/No question is open, as the events a modal box's own loop delivers would.
    std::function<void()> whileAsking;

    Answer Message(const std::string& text, const std::string& title, bool yesNoCancel) override {
        asked.push_back({yesNoCancel ? Kind::YesNoCancel : Kind::Ok, text, title});
        return yesNoCancel ? Next(answers, Answer::Cancel) : Answer::Ok;
    }

    Answer Ask(const std::string& text, const std::string& title) override {
        asked.push_back({Kind::YesNo, text, title});
        if (whileAsking)
            whileAsking();
        return Next(answers, Answer::No);
    }

    QString SaveFile(const std::string& title, const QString& startPath, const std::string&) override {
        asked.push_back({Kind::SaveFile, startPath.toStdString(), title});
        return Next(savePaths, QString());
    }

private:
    template <typename T> static T Next(std::deque<T>& queue, T whenEmpty) {
        if (queue.empty())
            return whenEmpty;
        T next = queue.front();
        queue.pop_front();
        return next;
    }
};

} // namespace pelorin::test
