#pragma once

#include "chrome/user_prompts.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

namespace tessaly::testing {

// Answers message boxes, file dialogs, choices and text inputs from a script and remembers what
// was shown. Tests make one (std::make_shared) and hand it to the object under test.
class ScriptedPrompts : public CUserPrompts {
public:
    std::deque<PromptAnswer> answers;         // none left: Cancel
    std::deque<QString> paths;                // none left or empty: the file dialog was cancelled
    std::deque<int> choices;                  // none left: the escape button
    std::deque<std::optional<QString>> texts; // none left: cancelled

    QStringList shown; // message texts, file dialog and text input titles, in order
    QStringList filters;
    std::vector<PromptIcon> icons;
    std::vector<ChoiceRequest> choiceRequests;
    PromptButtons lastButtons = PromptButtons::Ok;
    PromptIcon lastIcon = PromptIcon::Information;
    QString lastSuffix;
    bool lastSecret = false;

    PromptAnswer messageBox(QWidget*, const QString& text, PromptButtons buttons,
                            PromptIcon icon) override {
        shown << text;
        icons.push_back(icon);
        lastButtons = buttons;
        lastIcon = icon;
        return take(answers, PromptAnswer::Cancel);
    }
    QString openFileName(QWidget*, const QString& title, const QString& filter) override {
        shown << title;
        filters << filter;
        return take(paths, QString());
    }
    QString saveFileName(QWidget*, const QString& title, const QString& suffix,
                         const QString& filter) override {
        shown << title;
        filters << filter;
        lastSuffix = suffix;
        return take(paths, QString());
    }
    int choice(QWidget*, const ChoiceRequest& request) override {
        choiceRequests.push_back(request);
        return take(choices, request.escapeButton);
    }
    std::optional<QString> textInput(QWidget*, const QString& title, const QString&,
                                     bool secret) override {
        shown << title;
        lastSecret = secret;
        if (texts.empty()) {
            return std::nullopt;
        }
        const bool typed = texts.front().has_value();
        const QString text = texts.front().value_or(QString());
        texts.pop_front();
        return typed ? std::optional<QString>(text) : std::nullopt;
    }

private:
    template <typename T> static T take(std::deque<T>& queue, T fallback) {
        if (queue.empty()) {
            return fallback;
        }
        T front = queue.front();
        queue.pop_front();
        return front;
    }
};

} // namespace tessaly::testing
