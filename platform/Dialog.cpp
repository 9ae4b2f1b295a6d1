// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Dialog.h"

#include <QEventLoop>
#include <QWidget>

#include "platform/Resources.h"
#include "platform/detail/DialogFrame.h"
#include "platform/detail/WindowTable.h"

namespace {

void focusFirstTabStop(HWND dialog) {
    for (HWND child : platform::childWindows(dialog)) {
        const platform::WindowRecord* record = platform::findWindow(child);
        if ((record->style & WS_TABSTOP) != 0 && record->widget->isVisible() &&
            record->widget->isEnabled()) {
            record->widget->setFocus();
            return;
        }
    }
}

}  // namespace

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
    const DialogTemplate* dialogTemplate = platform::findDialog(m_nIDHelp);
    if (m_hWnd != nullptr || dialogTemplate == nullptr || !platform::isUiThread()) {
        return -1;
    }
    const HWND owner = m_pParentWnd == nullptr ? nullptr : m_pParentWnd->m_hWnd;
    const HWND handle = platform::createDialogWindow(*this, *dialogTemplate, owner);
    if (handle == nullptr) {
        return -1;
    }
    m_nModalResult = -1;
    const BOOL focusDefault = OnInitDialog();

    platform::WindowRecord* record = platform::findWindow(handle);
    if (record != nullptr && !record->modalEnded) {
        record->widget->setWindowModality(Qt::ApplicationModal);
        record->widget->show();
        record->style |= WS_VISIBLE;
        if (focusDefault) {
            focusFirstTabStop(handle);
        }
        QEventLoop loop;
        record->modalLoop = &loop;
        loop.exec(QEventLoop::DialogExec);
        // The window may have been destroyed during the run; then the record is gone too.
        record = platform::findWindow(handle);
        if (record != nullptr) {
            record->modalLoop = nullptr;
        }
    }
    if (platform::isLiveWindow(handle)) {
        DestroyWindow();
    }
    return m_nModalResult;
}

BOOL CDialog::OnInitDialog() {
    platform::fillScreen(m_hWnd);
    return TRUE;
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    platform::WindowRecord* record = platform::findWindow(m_hWnd);
    if (record == nullptr) {
        return;
    }
    record->modalEnded = true;
    if (record->modalLoop != nullptr) {
        record->modalLoop->quit();
    }
}

void CDialog::OnOK() {
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}
