#include "settings/dialogs/CQzToolTipCtrl.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QScreen>
#include <QStyle>
#include <QToolTip>
#include <QWidget>

#include <algorithm>

namespace tarnel::dialogs {
namespace {

constexpr int kShowMs = 10000;  // long texts need time to read

}  // namespace

CQzToolTipCtrl::CQzToolTipCtrl(QObject* parent) : QObject(parent) {
    hideTimer_.setSingleShot(true);
    connect(&hideTimer_, &QTimer::timeout, this, &CQzToolTipCtrl::HideTip);
}

CQzToolTipCtrl::~CQzToolTipCtrl() = default;

void CQzToolTipCtrl::AddTool(QWidget* control, const QString& text) {
    if (!tools_.contains(control)) {
        control->installEventFilter(this);
        connect(control, &QObject::destroyed, this, [this](QObject* gone) {
            tools_.remove(gone);
            if (shownFor_ == gone) HideTip();
        });
    }
    tools_[control] = text;
    control->setAccessibleDescription(text);
    if (shownFor_ == control) ShowTip(control, shownAt_);
}

QString CQzToolTipCtrl::TipText(const QWidget* control) const {
    return tools_.value(control);
}

void CQzToolTipCtrl::Activate(bool on) {
    active_ = on;
    if (!on) HideTip();
}

QLabel* CQzToolTipCtrl::ShownTip() const {
    return tip_ && tip_->isVisible() ? tip_.get() : nullptr;
}

void CQzToolTipCtrl::ShowTip(QWidget* control, const QPoint& globalPos) {
    const QString text = tools_.value(control);
    if (!active_ || text.isEmpty()) return;
    if (!tip_) {
        tip_ = std::make_unique<QLabel>(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
        tip_->setForegroundRole(QPalette::ToolTipText);
        tip_->setBackgroundRole(QPalette::ToolTipBase);
        tip_->setAutoFillBackground(true);
        tip_->setTextFormat(Qt::PlainText);
        tip_->setWordWrap(true);
        tip_->setFrameStyle(QFrame::Box | QFrame::Plain);
        tip_->setMargin(3);
    }
    tip_->setPalette(QToolTip::palette());
    tip_->setFont(QToolTip::font());
    tip_->setText(text);
    // The natural width of the longest line, or the maximum with the text wrapped to it.
    const QFontMetrics metrics(tip_->font());
    const int extra = 2 * (tip_->margin() + tip_->frameWidth());
    int natural = 0;
    for (const QString& line : text.split(u'\n')) {
        natural = std::max(natural, metrics.horizontalAdvance(line));
    }
    const int width = std::min(natural + extra + 1, kMaxTipWidth);
    tip_->resize(width, tip_->heightForWidth(width));
    // Below right of the pointer, kept on its screen.
    QPoint at = globalPos + QPoint(2, 16);
    if (const QScreen* screen = QGuiApplication::screenAt(globalPos)) {
        const QRect area = screen->availableGeometry();
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - width)));
        if (at.y() + tip_->height() > area.bottom()) at.setY(globalPos.y() - tip_->height() - 4);
    }
    tip_->move(at);
    tip_->show();
    shownFor_ = control;
    shownAt_ = globalPos;
    hideTimer_.start(kShowMs);
}

void CQzToolTipCtrl::HideTip() {
    hideTimer_.stop();
    shownFor_ = nullptr;
    if (tip_) tip_->hide();
}

bool CQzToolTipCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (!tools_.contains(watched)) return false;
    switch (event->type()) {
        case QEvent::ToolTip:
            // Ours replace Qt's own tool tip for this control, shown or not.
            ShowTip(static_cast<QWidget*>(watched), static_cast<QHelpEvent*>(event)->globalPos());
            return true;
        case QEvent::Leave:
        case QEvent::MouseButtonPress:
        case QEvent::KeyPress:
        case QEvent::Wheel:
        case QEvent::Hide:
        case QEvent::FocusOut:
            if (shownFor_ == watched) HideTip();
            return false;
        default:
            return false;
    }
}

}  // namespace tarnel::dialogs
