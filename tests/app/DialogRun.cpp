// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/app/DialogRun.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "res/resource.h"

INT_PTR CTestMainDlg::Run(const Steps& steps) {
    CTestMainDlg dlg;
    dlg.m_steps = steps;
    return dlg.DoModal();
}

BOOL CTestMainDlg::OnInitDialog() {
    m_initResult = CMainDlg::OnInitDialog();
    QTimer::singleShot(0, [this] {
        m_steps(*this);
        SendMessage(WM_COMMAND, ID_EXIT, 0);
    });
    return m_initResult;
}

std::u16string CTestMainDlg::Text(int id) {
    WCHAR text[2000] = {};
    GetDlgItem(id)->GetWindowText(text, 2000);
    return text;
}

bool CTestMainDlg::Visible(int id) {
    return GetDlgItem(id)->IsWindowVisible() != FALSE;
}

bool CTestMainDlg::Enabled(int id) {
    return GetDlgItem(id)->IsWindowEnabled() != FALSE;
}

LRESULT CTestMainDlg::Send(int id, UINT message, WPARAM wParam, LPARAM lParam) {
    return GetDlgItem(id)->SendMessage(message, wParam, lParam);
}

void CTestMainDlg::Click(int id) {
    SendMessage(WM_COMMAND, static_cast<WPARAM>((BN_CLICKED << 16) | id),
                reinterpret_cast<LPARAM>(GetDlgItem(id)->GetSafeHwnd()));
}

void CTestMainDlg::UserSelects(int id, int index) {
    Send(id, CB_SETCURSEL, static_cast<WPARAM>(index));
    SendMessage(WM_COMMAND, static_cast<WPARAM>((CBN_SELCHANGE << 16) | id),
                reinterpret_cast<LPARAM>(GetDlgItem(id)->GetSafeHwnd()));
}

bool CTestMainDlg::PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

QWidget* CTestMainDlg::Window() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->windowTitle().startsWith("Tessivo")) {
            return widget;
        }
    }
    return nullptr;
}
