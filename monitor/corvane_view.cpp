#include "monitor/corvane_view.h"

#include "comm/app_message.h"

namespace tessaly {

CCorvaneView::CCorvaneView(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette dark = palette();
    dark.setColor(QPalette::Window, Qt::black);
    setPalette(dark);
}

CCorvaneView::~CCorvaneView() = default;

void CCorvaneView::onInitialUpdate() {}

bool CCorvaneView::event(QEvent* event) {
    if (const AppMessage* message = AppMessage::from(event)) {
        onCommand(message->code(), static_cast<int>(message->value()), message->payload());
        return true;
    }
    return QWidget::event(event);
}

void CCorvaneView::onCommand(int /*code*/, int /*value*/, const QString& /*path*/) {}

} // namespace tessaly
