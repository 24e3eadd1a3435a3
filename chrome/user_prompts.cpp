#include "chrome/user_prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace tessaly {

namespace {

QMessageBox::StandardButtons standardButtons(PromptButtons buttons) {
    switch (buttons) {
    case PromptButtons::Ok:
        return QMessageBox::Ok;
    case PromptButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon standardIcon(PromptIcon icon) {
    switch (icon) {
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::Exclamation:
        return QMessageBox::Warning;
    case PromptIcon::Stop:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

class QtUserPrompts final : public CUserPrompts {
public:
    PromptAnswer messageBox(QWidget* parent, const QString& text, PromptButtons buttons,
                            PromptIcon icon) override {
        QMessageBox box(standardIcon(icon), QApplication::applicationDisplayName(), text,
                        standardButtons(buttons), parent);
        switch (box.exec()) {
        case QMessageBox::Yes:
            return PromptAnswer::Yes;
        case QMessageBox::No:
            return PromptAnswer::No;
        case QMessageBox::Ok:
            return PromptAnswer::Ok;
        default:
            // Closing the box counts as its escape button.
            return buttons == PromptButtons::Ok      ? PromptAnswer::Ok
                   : buttons == PromptButtons::YesNo ? PromptAnswer::No
                                                     : PromptAnswer::Cancel;
        }
    }

    QString openFileName(QWidget* parent, const QString& title, const QString& filter) override {
        QFileDialog dialog(parent, title);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilter(qtNameFilters(filter));
        return chosenFile(dialog);
    }

    QString saveFileName(QWidget* parent, const QString& title, const QString& defaultSuffix,
                         const QString& filter) override {
        QFileDialog dialog(parent, title);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(defaultSuffix);
        dialog.setNameFilter(qtNameFilters(filter));
        return chosenFile(dialog); // the dialog asks before overwriting
    }

private:
    static QString chosenFile(QFileDialog& dialog) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return {};
        }
        return dialog.selectedFiles().constFirst();
    }
};

CUserPrompts* installedPrompts = nullptr;

} // namespace

CUserPrompts& userPrompts() {
    static QtUserPrompts qtPrompts;
    return installedPrompts != nullptr ? *installedPrompts : qtPrompts;
}

void setUserPrompts(CUserPrompts* prompts) {
    installedPrompts = prompts;
}

QString qtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts[i + 1];
        // "*.*" means every file on the original platform; here many names have no dot.
        pattern.replace(QLatin1String("*.*"), QLatin1String("*"));
        filters.append(QStringLiteral("%1 (%2)").arg(parts[i], pattern.replace(';', ' ')));
    }
    return filters.join(QLatin1String(";;"));
}

} // namespace tessaly
