// SPDX-License-Identifier: MIT
#include "ui/Controls.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace {

// Tells screen readers what the design's control types stand for: a picture
// box holds a group of controls, an image is a picture.
QAccessibleInterface* accessibleControl(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr) {
        return nullptr;
    }
    if (className == QLatin1String("PictureBox")) {
        return new QAccessibleWidget(widget, QAccessible::Grouping);
    }
    if (className == QLatin1String("Image")) {
        return new QAccessibleWidget(widget, QAccessible::Graphic);
    }
    return nullptr;
}

void offerAccessibleControls() {
    [[maybe_unused]] static const bool installed = [] {
        QAccessible::installFactory(accessibleControl);
        return true;
    }();
}

} // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    offerAccessibleControls();
    setFocusPolicy(Qt::NoFocus);
    // A panel that follows the pointer keeps the movement: the window
    // behind must not take it for movement over its bare background.
    setAttribute(Qt::WA_NoMousePropagation);
}

void PictureBox::setPicture(const QPixmap& picture) {
    // Every cycle sets the pictures again; only a different one is redrawn.
    if (picture.cacheKey() == picture_.cacheKey()) {
        return;
    }
    picture_ = picture;
    if (!picture_.isNull()) {
        resize(picture_.deviceIndependentSize().toSize());
    }
    // An opaque picture covers the whole box, so whatever lies behind need
    // not be drawn first when a text on the panel changes.
    setAttribute(Qt::WA_OpaquePaintEvent, !picture_.isNull() && !picture_.hasAlphaChannel());
    update();
}

void PictureBox::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture_);
}

Image::Image(QWidget* parent) : QWidget(parent) {
    offerAccessibleControls();
}

void Image::setStretch(bool stretch) {
    stretch_ = stretch;
    update();
}

void Image::setPicture(const QPixmap& picture) {
    if (picture.cacheKey() == picture_.cacheKey()) {
        return;
    }
    picture_ = picture;
    if (!stretch_ && !picture_.isNull()) {
        resize(picture_.deviceIndependentSize().toSize());
    }
    update();
}

void Image::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (stretch_) {
        painter.drawPixmap(rect(), picture_);
    } else {
        painter.drawPixmap(0, 0, picture_);
    }
}

void Image::mousePressEvent(QMouseEvent* event) {
    // Accepting the press is what brings the matching release here.
    event->setAccepted(event->button() == Qt::LeftButton);
}

void Image::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked(event->modifiers());
    }
}

Shape::Shape(const QColor& fill, QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, fill);
    setPalette(colours);
    setAutoFillBackground(true);
}

namespace {
// Not colours of the design: a warning's, chosen to stand apart from every band.
const QColor markFill(Qt::black);
const QColor markYellow(0xFF, 0xD8, 0x00);
constexpr int markFrame = 2;
} // namespace

ValueMark::ValueMark(QWidget* value, const QRect& area)
    : QWidget(value->parentWidget()), value_(value), area_(area),
      normalText_(value->palette().color(QPalette::WindowText)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void ValueMark::setOutside(bool outside) {
    QPalette colours = value_->palette();
    colours.setColor(QPalette::WindowText, outside ? markYellow : normalText_);
    value_->setPalette(colours);
    QRect around = area_.isNull() ? value_->geometry() : area_;
    if (const auto* label = qobject_cast<const QLabel*>(value_)) {
        around.setWidth(label->fontMetrics().horizontalAdvance(label->text()));
    }
    setGeometry(around.adjusted(-markFrame - 2, -1, markFrame + 2, 1));
    stackUnder(value_);
    setVisible(outside && value_->isVisibleTo(parentWidget()));
}

void ValueMark::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), markYellow);
    painter.fillRect(rect().adjusted(markFrame, markFrame, -markFrame, -markFrame), markFill);
}
