#include "chrome/user_prompts.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

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

constexpr int kChoiceListMinimumWidth = 520;
constexpr int kChoiceListMaximumRows = 12; // taller lists scroll

// The choice dialog: the question, the list, a row of buttons; Esc chooses the escape button.
class ChoiceDialog final : public QDialog {
public:
    ChoiceDialog(QWidget* parent, const ChoiceRequest& request)
        : QDialog(parent), escape_(request.escapeButton) {
        setWindowTitle(request.title.isEmpty() ? QApplication::applicationDisplayName()
                                               : request.title);
        auto* layout = new QVBoxLayout(this);
        auto* text = new QLabel(request.text, this);
        text->setWordWrap(true);
        layout->addWidget(text);
        if (!request.headers.isEmpty()) {
            auto* list = new QTableWidget(static_cast<int>(request.rows.size()),
                                          static_cast<int>(request.headers.size()), this);
            list->setObjectName(QStringLiteral("choiceList"));
            list->setHorizontalHeaderLabels(request.headers);
            list->verticalHeader()->hide();
            list->setEditTriggers(QAbstractItemView::NoEditTriggers);
            list->setSelectionBehavior(QAbstractItemView::SelectRows);
            for (int row = 0; row < request.rows.size(); ++row) {
                for (int column = 0; column < request.rows[row].size(); ++column) {
                    list->setItem(row, column, new QTableWidgetItem(request.rows[row][column]));
                }
            }
            list->resizeColumnsToContents();
            list->horizontalHeader()->setStretchLastSection(true);
            list->setMinimumWidth(kChoiceListMinimumWidth);
            const int rows =
                std::min<int>(static_cast<int>(request.rows.size()), kChoiceListMaximumRows);
            list->setMinimumHeight(list->horizontalHeader()->height() +
                                   (rows + 1) * list->verticalHeader()->defaultSectionSize());
            layout->addWidget(list);
        }
        auto* buttons = new QHBoxLayout;
        buttons->addStretch(1);
        for (int index = 0; index < request.buttons.size(); ++index) {
            auto* button = new QPushButton(request.buttons[index], this);
            button->setDefault(index == 0);
            connect(button, &QPushButton::clicked, this, [this, index] { done(index); });
            buttons->addWidget(button);
        }
        layout->addLayout(buttons);
    }

    void reject() override { done(escape_); }

private:
    int escape_;
};

} // namespace

int CUserPrompts::choice(QWidget* parent, const ChoiceRequest& request) {
    ChoiceDialog dialog(parent, request);
    return dialog.exec();
}

std::optional<QString> CUserPrompts::textInput(QWidget* parent, const QString& title,
                                               const QString& label, bool secret) {
    bool ok = false;
    const QString text = QInputDialog::getText(
        parent, title, label, secret ? QLineEdit::Password : QLineEdit::Normal, QString(), &ok);
    if (!ok) {
        return std::nullopt;
    }
    return text;
}

std::shared_ptr<CUserPrompts> systemPrompts() {
    return std::make_shared<QtUserPrompts>();
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
