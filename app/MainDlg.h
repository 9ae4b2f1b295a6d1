// SPDX-License-Identifier: GPL-3.0-or-later
// The main dialog: function and device lists, the text field, the meter's frame and the
// Start/Stop button, whose caption is the program's only run flag.
#pragma once

#include <memory>

#include "meter/LevelMeter.h"
#include "morse/MorseSender.h"
#include "platform/CommandBar.h"
#include "platform/afxwin.h"

class CMainDlg : public CDialog {
  public:
    CMainDlg();
    ~CMainDlg() override;

    BOOL OnInitDialog() override;
    void OnFunctionChange();
    void OnStartStop();
    LRESULT OnWomDone(WPARAM wParam, LPARAM lParam);
    LRESULT OnWimData(WPARAM wParam, LPARAM lParam);
    void OnAbout();
    void OnExit();
    void OnRestart();
    LRESULT OnHotKey(WPARAM wParam, LPARAM lParam);

    CCommandBar m_commandBar;  // the soft-key menu bar
    HICON m_icon = nullptr;
    std::unique_ptr<CLevelMeter> m_meter;
    std::unique_ptr<CMorseSender> m_sender;
    float m_levelSum = 0.0f;  // levels in tenths of a decibel since the meter was started
    int m_levelCount = 0;

    DECLARE_MESSAGE_MAP()

  private:
    void FillDeviceList();
    void EnableInputs(BOOL enable);
    bool StartCaptionShown();
};
