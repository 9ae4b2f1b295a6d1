// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/detail/SoftKeyBar.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLayout>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>

#include "platform/aygshell.h"
#include "platform/detail/DialogFrame.h"
#include "platform/detail/Text.h"
#include "platform/detail/Translations.h"

namespace platform {
namespace {

// The colours every bar shares, derived from the desktop's palette so that the bar sits well in
// light and dark themes alike.
struct SoftKeyLook {
    QColor top;
    QColor bottom;
    QColor border;
    QColor text;
    QColor disabledText;
    QColor pressed;
};

std::optional<SoftKeyLook>& lookSlot() {
    static std::optional<SoftKeyLook> look;
    return look;
}

const SoftKeyLook& softKeyLook() {
    prepareSoftKeyLook();
    return *lookSlot();
}

// The horizontal room between a key's label and the bar's edge, in pixels at the font's size.
int labelPadding(const QFontMetrics& metrics) {
    return metrics.averageCharWidth();
}

// A key is a flat label aligned to its end of the bar; it never takes the keyboard focus, so
// that the Back key still finds the control the user was working in.
class SoftKeyButton : public QAbstractButton {
  public:
    SoftKeyButton(QWidget* parent, Qt::Alignment alignment)
        : QAbstractButton(parent), alignment_(alignment) {
        setFocusPolicy(Qt::NoFocus);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

    QSize sizeHint() const override {
        const QFontMetrics metrics = fontMetrics();
        return {metrics.horizontalAdvance(text()) + 2 * labelPadding(metrics), metrics.height()};
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const SoftKeyLook& look = softKeyLook();
        if (isDown()) {
            painter.fillRect(rect(), look.pressed);
        }
        const int padding = labelPadding(fontMetrics());
        const QRect area = rect().adjusted(padding, 0, -padding, 0);
        painter.setPen(isEnabled() ? look.text : look.disabledText);
        painter.drawText(area, static_cast<int>(alignment_ | Qt::AlignVCenter),
                         fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
    }

  private:
    Qt::Alignment alignment_;
};

class SoftKeyBar : public QWidget {
  public:
    SoftKeyBar(QWidget* strip, HWND dialog, const std::array<SoftKey, 2>& keys,
               const SoftKeyBarStyle& style)
        : QWidget(strip), dialog_(dialog), background_(style.background) {
        QFont font;
        font.setWeight(QFont::DemiBold);
        setFont(font);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        for (std::size_t i = 0; i < keys.size(); ++i) {
            auto* key = new SoftKeyButton(this, i == 0 ? Qt::AlignLeft : Qt::AlignRight);
            key->setText(displayText(keys[i].label));
            const bool blank =
                keys[i].label.isEmpty() && keys[i].command == 0 && keys[i].popup.size() == 0;
            key->setEnabled(keys[i].enabled && !blank);
            layout->addWidget(key, 1);
            buttons_[i] = key;
            if (keys[i].popup.size() > 0) {
                menus_[i] = new QMenu(this);
                fillMenu(*menus_[i], keys[i].popup);
            }
            const UINT command = keys[i].command;
            QObject::connect(key, &QAbstractButton::clicked,
                             [this, i, command] { keyPressed(i, command); });
        }
        setVisible(!style.hidden);
        // The soft keys answer F1, F2 and Back wherever the focus is in the dialog's window, so
        // the bar looks at key presses before any control does.
        qApp->installEventFilter(this);
    }

    void setHandle(HWND handle) { handle_ = handle; }

    BOOL overrideKey(WPARAM key, LPARAM options) {
        if (key != VK_TBACK) {
            return FALSE;
        }
        const WORD mask = LOWORD(static_cast<DWORD_PTR>(options));
        const WORD value = HIWORD(static_cast<DWORD_PTR>(options));
        backOptions_ = static_cast<WORD>((backOptions_ & ~mask) | (value & mask));
        return TRUE;
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType() ||
            static_cast<QWidget*>(watched)->window() != window() || !isLiveWindow(handle_) ||
            isHidden()) {
            return false;
        }
        switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_F1:
                buttons_[0]->click();
                return true;
            case Qt::Key_F2:
                buttons_[1]->click();
                return true;
            case Qt::Key_Escape:
                return backPressed();
            default:
                return false;
        }
    }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const SoftKeyLook& look = softKeyLook();
        if (background_) {
            painter.fillRect(rect(), *background_);
        } else {
            QLinearGradient gradient(0, 0, 0, height());
            gradient.setColorAt(0, look.top);
            gradient.setColorAt(1, look.bottom);
            painter.fillRect(rect(), gradient);
        }
        painter.setPen(look.border);
        painter.drawLine(0, 0, width() - 1, 0);
    }

  private:
    // The menus are windows of their own, which do not inherit the dialog's font; they get it
    // explicitly so that they read at the window's scale.
    void fillMenu(QMenu& menu, const ResourceList<MenuItemTemplate>& items) {
        menu.setFont(window()->font());
        for (const MenuItemTemplate& item : items) {
            const QString label = displayText(toQString(wideView(item.text)));
            if (item.popup.size() > 0) {
                fillMenu(*menu.addMenu(label), item.popup);
            } else {
                const UINT command = item.id;
                QObject::connect(menu.addAction(label), &QAction::triggered,
                                 [this, command] { sendCommand(command); });
            }
        }
    }

    void keyPressed(std::size_t index, UINT command) {
        QMenu* menu = menus_[index];
        if (menu == nullptr) {
            sendCommand(command);
            return;
        }
        // Above the key, flush with the bar's edge on the key's side.
        QAbstractButton* key = buttons_[index];
        const QSize size = menu->sizeHint();
        const QPoint origin = key->mapToGlobal(QPoint(0, 0));
        const int x = index == 0 ? origin.x() : origin.x() + key->width() - size.width();
        menu->popup(QPoint(x, origin.y() - size.height()));
    }

    // Posted, so that the command runs after the key or menu has finished its own work.
    void sendCommand(UINT command) {
        PostMessageW(dialog_, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(command), 0), 0);
    }

    // Without an override the key goes on to the window, which gives it its default meaning.
    bool backPressed() {
        if ((backOptions_ & (SHMBOF_NODEFAULT | SHMBOF_NOTIFY)) == 0) {
            return false;
        }
        if ((backOptions_ & SHMBOF_NOTIFY) != 0) {
            SendMessageW(dialog_, WM_HOTKEY, 0, MAKELPARAM(0, VK_TBACK));
        }
        if ((backOptions_ & SHMBOF_NODEFAULT) == 0) {
            leaveWindow(window());
        }
        return true;
    }

    HWND dialog_;
    HWND handle_ = nullptr;
    std::optional<QColor> background_;
    std::array<QAbstractButton*, 2> buttons_{};
    std::array<QMenu*, 2> menus_{};
    WORD backOptions_ = 0;
};

}  // namespace

bool prepareSoftKeyLook() {
    if (lookSlot()) {
        return true;
    }
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return false;
    }
    const QPalette palette = QApplication::palette();
    const QColor base = palette.color(QPalette::Window);
    QColor pressed = palette.color(QPalette::Highlight);
    pressed.setAlpha(96);
    lookSlot() = SoftKeyLook{base.lighter(104),
                             base.darker(112),
                             base.darker(135),
                             palette.color(QPalette::WindowText),
                             palette.color(QPalette::Disabled, QPalette::WindowText),
                             pressed};
    return true;
}

bool softKeyLookPrepared() {
    return lookSlot().has_value();
}

HWND createSoftKeyBar(HWND dialog, const std::array<SoftKey, 2>& keys,
                      const SoftKeyBarStyle& style) {
    QWidget* strip = softKeyArea(dialog);
    if (strip == nullptr) {
        return nullptr;
    }
    auto* bar = new SoftKeyBar(strip, dialog, keys, style);
    strip->layout()->addWidget(bar);
    // The bar has its place at once, not only after the next pass of the event loop.
    strip->layout()->activate();

    auto record = std::make_unique<WindowRecord>();
    record->windowClass = WindowClass::MenuBar;
    record->ownedWnd = std::make_unique<CWnd>();
    record->wnd = record->ownedWnd.get();
    record->widget = bar;
    record->parent = dialog;
    record->style = WS_CHILD | (style.hidden ? 0 : WS_VISIBLE);
    CWnd* wnd = record->wnd;
    const HWND handle = registerWindow(std::move(record));
    wnd->m_hWnd = handle;
    bar->setHandle(handle);
    return handle;
}

bool softKeyBarProc(WindowRecord& record, UINT message, WPARAM wParam, LPARAM lParam,
                    LRESULT* result) {
    if (record.windowClass != WindowClass::MenuBar || message != SHCMBM_OVERRIDEKEY) {
        return false;
    }
    *result = static_cast<SoftKeyBar*>(record.widget)->overrideKey(wParam, lParam);
    return true;
}

}  // namespace platform
