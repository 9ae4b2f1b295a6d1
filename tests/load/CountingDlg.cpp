// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/load/CountingDlg.h"

#include <QTimer>
#include <string>

#include "res/resource.h"

CCountingDlg::CCountingDlg(RecordingBackend& recorder, const CountedSteps& steps)
    : m_recorder(recorder), m_countedSteps(steps) {}

void CCountingDlg::Run(RecordingBackend& recorder, const CountedSteps& steps) {
    CCountingDlg dlg(recorder, steps);
    dlg.DoModal();
}

BOOL CCountingDlg::OnInitDialog() {
    // The dialog's own initialisation; the steps are this class's, not the base runner's.
    m_initResult = CMainDlg::OnInitDialog();
    QTimer::singleShot(0, [this] {
        m_countedSteps(*this);
        SendMessage(WM_COMMAND, ID_EXIT, 0);
    });
    return m_initResult;
}

LRESULT CCountingDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == MM_WOM_DONE || message == MM_WIM_DATA) {
        const int count = ++m_completions[{wParam, lParam}];
        const auto id = static_cast<audio::DeviceId>(wParam);
        if (count > m_recorder.TimesQueued(id, reinterpret_cast<const WAVEHDR*>(lParam))) {
            m_recorder.Breach("completion " + std::to_string(count) + " of a header on device " +
                              std::to_string(id) + " that was queued fewer times");
        }
    }
    return CTestMainDlg::WindowProc(message, wParam, lParam);
}
