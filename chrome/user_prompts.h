#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QWidget;

namespace tessaly {

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptIcon { Information, Question, Exclamation, Stop };
enum class PromptAnswer { Ok, Cancel, Yes, No };

// A question with buttons of its own above a list of details (one row per entry).
struct ChoiceRequest {
    QString title;
    QString text;
    QStringList headers;     // the detail list's columns; empty: no list
    QList<QStringList> rows; // the detail list
    QStringList buttons;     // left to right; the first is the default
    int escapeButton = -1;   // what Esc and the close box choose
};

// Every message box and file dialog of the program goes through here. Each class that prompts
// takes one at construction (systemPrompts() unless another is given), so that tests can read
// what would be shown and choose the answer with a scripted implementation.
class CUserPrompts {
public:
    virtual ~CUserPrompts() = default;

    virtual PromptAnswer messageBox(QWidget* parent, const QString& text, PromptButtons buttons,
                                    PromptIcon icon) = 0;

    // `filter` uses the program's "Name|pattern|Name|pattern|" form. An empty result means the
    // operator cancelled.
    virtual QString openFileName(QWidget* parent, const QString& title, const QString& filter) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& title,
                                 const QString& defaultSuffix, const QString& filter) = 0;

    // The index of the chosen button. The default shows a Qt dialog.
    virtual int choice(QWidget* parent, const ChoiceRequest& request);
    // A line typed by the operator (hidden as typed when `secret`); nothing when cancelled.
    virtual std::optional<QString> textInput(QWidget* parent, const QString& title,
                                             const QString& label, bool secret);
};

// The real prompts: the Qt dialogs.
std::shared_ptr<CUserPrompts> systemPrompts();

// "Name|pattern|Name|pattern|" -> Qt's "Name (pattern);;Name (pattern)".
QString qtNameFilters(const QString& filter);

} // namespace tessaly
