// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/detail/TouchStyle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <algorithm>

namespace platform {
namespace {

// The desktop's style, with every tappable thing at least a fingertip high.
class TouchStyle : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                           const QWidget* widget) const override {
        QSize size = QProxyStyle::sizeFromContents(type, option, contents, widget);
        if (type == CT_MenuItem) {
            const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
            if (item != nullptr && item->menuItemType == QStyleOptionMenuItem::Separator) {
                return size;
            }
        }
        switch (type) {
            case CT_PushButton:
            case CT_CheckBox:
            case CT_ComboBox:
            case CT_MenuItem:
            case CT_ItemViewItem:
                size.setHeight(std::max(size.height(), kTouchTarget));
                break;
            default:
                break;
        }
        return size;
    }

    // A check box answers a tap anywhere in its height, not only on its box and label.
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget) const override {
        QRect rect = QProxyStyle::subElementRect(element, option, widget);
        if (element == SE_CheckBoxClickRect) {
            rect.setTop(option->rect.top());
            rect.setBottom(option->rect.bottom());
        }
        return rect;
    }
};

}  // namespace

bool isTappable(const QWidget& control) {
    return qobject_cast<const QAbstractButton*>(&control) != nullptr ||
           qobject_cast<const QComboBox*>(&control) != nullptr;
}

void useTouchTargets() {
    if (dynamic_cast<TouchStyle*>(QApplication::style()) != nullptr) {
        return;
    }
    // The application takes the new style over and repolishes every widget with it.
    QApplication::setStyle(new TouchStyle(QApplication::style()->name()));
}

}  // namespace platform
