// SPDX-License-Identifier: MIT
#pragma once

#include <QPixmap>
#include <QWidget>

// Small stand-ins for the control types the window was designed with, each
// with only the behaviour the window relies on.

// A borderless panel that shows its picture at its top-left corner and takes
// the picture's size; its children are clipped to it. Pointer events over it
// are its own and do not reach the window.
// Screen readers see it as a group named by its accessible name.
class PictureBox : public QWidget {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    // A null picture leaves the size as it is.
    void setPicture(const QPixmap& picture);
    [[nodiscard]] const QPixmap& picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap picture_;
};

// Shows a picture. Unless it stretches, assigning a picture makes the control
// the picture's size and keeps its top-left corner, which is what the battery
// gauge placement counts on. Screen readers see it as a graphic.
class Image : public QWidget {
    Q_OBJECT

public:
    explicit Image(QWidget* parent = nullptr);

    void setStretch(bool stretch);
    [[nodiscard]] bool stretch() const { return stretch_; }

    void setPicture(const QPixmap& picture);
    [[nodiscard]] const QPixmap& picture() const { return picture_; }

signals:
    // A left-button click released over the image, with the modifier keys
    // held at the time of the release.
    void clicked(Qt::KeyboardModifiers modifiers);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap picture_;
    bool stretch_ = false;
};

// A filled rectangle without outline. Pointer events pass through it to
// whatever lies beneath, as if it were part of that surface.
class Shape : public QWidget {
    Q_OBJECT

public:
    explicit Shape(const QColor& fill, QWidget* parent = nullptr);
};

// A box behind a value outside its limits: black, framed in yellow, with the
// value's text turned yellow, so that it reads on every sensor band, the dark
// red one included. It follows its value: around a label's text, or around
// the area given for a picture. Pointer events pass through it to the panel.
class ValueMark : public QWidget {
    Q_OBJECT

public:
    // Placed in the value's parent, just below it.
    explicit ValueMark(QWidget* value, const QRect& area = {});

    void setOutside(bool outside);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* value_;
    QRect area_;
    QColor normalText_;
};
