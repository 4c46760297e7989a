// The frame every console dialog shares: no system frame, a grey title
// band over a darker body, dragged by the left mouse button anywhere.
#pragma once

#include <QMouseEvent>
#include <QPoint>
#include <QWidget>

constexpr int kFrameTitleBandHeight = 45;

// Paints the title band and the body over the whole window.
void paintFrameBackground(QWidget* window);

// No push button of the dialog acts on Enter, neither as the dialog's
// default (Enter in a line edit would click the first button, the logo)
// nor while it has the focus: none of them is the dialog's one action.
void keepEnterInert(QWidget* dialog);

// Base of the frameless dialogs; Base is QWidget or QDialog.
template <class Base> class FramelessFrame : public Base {
public:
    using Base::Base;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton) {
            m_bDragging = true;
            m_pressOffset = event->pos();
        }
    }
    void mouseReleaseEvent(QMouseEvent*) override { m_bDragging = false; }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (m_bDragging && (event->buttons() & Qt::LeftButton))
            this->move(event->globalPos() - m_pressOffset);
    }
    void paintEvent(QPaintEvent*) override { paintFrameBackground(this); }

private:
    QPoint m_pressOffset;
    bool m_bDragging = false;
};
