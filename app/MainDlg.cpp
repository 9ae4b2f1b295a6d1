// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainDlg.h"

#include <string_view>

#include "meter/LevelText.h"
#include "platform/aygshell.h"
#include "platform/wingdi.h"
#include "res/resource.h"

namespace {

constexpr std::u16string_view kStartCaption = u"启动";
constexpr const WCHAR* kStopCaption = u"停止";
constexpr const WCHAR* kUnknownDevice = u"UNKNOW";
constexpr int kCaptionUnits = 4;  // the captions have two characters; a longer one never matches
constexpr int kTextUnits = 1000;  // the sender gets at most 999 characters

enum Function { kMorse = 0, kMeter = 1 };

}  // namespace

BEGIN_MESSAGE_MAP(CMainDlg, CDialog)
ON_CBN_SELCHANGE(IDC_FUNCTION, &CMainDlg::OnFunctionChange)
ON_COMMAND(ID_EXIT, &CMainDlg::OnExit)
ON_COMMAND(ID_ABOUT, &CMainDlg::OnAbout)
ON_COMMAND(ID_RESTART, &CMainDlg::OnRestart)
ON_MESSAGE(MM_WIM_DATA, &CMainDlg::OnWimData)
ON_MESSAGE(WM_HOTKEY, &CMainDlg::OnHotKey)
ON_MESSAGE(MM_WOM_DONE, &CMainDlg::OnWomDone)
ON_BN_CLICKED(IDC_START, &CMainDlg::OnStartStop)
END_MESSAGE_MAP()

CMainDlg::CMainDlg() : CDialog(IDD_MAIN, nullptr) {
    m_icon = LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDI_MAIN));
}

// The dialog can close while a message plays or the meter captures; the devices must give back
// their buffers and close before the objects that own those buffers go.
CMainDlg::~CMainDlg() {
    if (m_sender) {
        m_sender->Close();
        m_sender.reset();
    }
    if (m_meter) {
        m_meter->Close();
        m_meter.reset();
    }
}

BOOL CMainDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
    if (!m_commandBar.Create(this, IDC_COMMANDBAR)) {
        return FALSE;
    }
    if (!m_commandBar.InsertMenuBar(IDR_MAINMENU)) {
        return FALSE;
    }
    FillDeviceList();
    CWnd* function = GetDlgItem(IDC_FUNCTION);
    function->SendMessage(CB_INSERTSTRING, kMorse, reinterpret_cast<LPARAM>(u"摩尔斯码"));
    function->SendMessage(CB_INSERTSTRING, kMeter, reinterpret_cast<LPARAM>(u"分贝计"));
    function->SendMessage(CB_SETCURSEL, kMorse, 0);
    // A selection made by the program raises no notification, so the controls are set here.
    OnFunctionChange();
    // Ordinary content, not a hint: Start without editing sends it.
    GetDlgItem(IDC_TEXT)->SetWindowText(u"type text here.");
    // The Back key edits the text field instead of leaving: the bar reports it as WM_HOTKEY.
    constexpr WORD kBackKeyOptions = SHMBOF_NODEFAULT | SHMBOF_NOTIFY;
    ::SendMessageW(m_commandBar.m_hWnd, SHCMBM_OVERRIDEKEY, VK_TBACK,
                   MAKELPARAM(kBackKeyOptions, kBackKeyOptions));
    return TRUE;
}

void CMainDlg::FillDeviceList() {
    CWnd* list = GetDlgItem(IDC_DEVICE);
    const UINT count = waveOutGetNumDevs();
    for (UINT i = 0; i < count; ++i) {
        WAVEOUTCAPS caps{};
        const bool known = waveOutGetDevCaps(i, &caps, sizeof(caps)) == MMSYSERR_NOERROR;
        // Appending keeps list index i naming device i, also for a device listed as unknown.
        const LRESULT index = list->SendMessage(CB_GETCOUNT, 0, 0);
        list->SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(index),
                          reinterpret_cast<LPARAM>(known ? caps.szPname : kUnknownDevice));
    }
    if (count != 0) {
        list->SendMessage(CB_SETCURSEL, 0, 0);
    }
}

void CMainDlg::OnFunctionChange() {
    const LRESULT selection = GetDlgItem(IDC_FUNCTION)->SendMessage(CB_GETCURSEL, 0, 0);
    const int morse = selection == kMorse ? SW_SHOW : SW_HIDE;
    const int meter = selection == kMeter ? SW_SHOW : SW_HIDE;
    GetDlgItem(IDC_SIGNALS)->ShowWindow(morse);
    GetDlgItem(IDC_TEXT)->ShowWindow(morse);
    GetDlgItem(IDC_WAVEFORM)->ShowWindow(meter);
    GetDlgItem(IDC_LEVEL)->ShowWindow(meter);
}

void CMainDlg::EnableInputs(BOOL enable) {
    GetDlgItem(IDC_DEVICE)->EnableWindow(enable);
    GetDlgItem(IDC_FUNCTION)->EnableWindow(enable);
    GetDlgItem(IDC_TEXT)->EnableWindow(enable);
    GetDlgItem(IDC_SIGNALS)->EnableWindow(enable);
}

bool CMainDlg::StartCaptionShown() {
    WCHAR caption[kCaptionUnits] = {};
    GetDlgItem(IDC_START)->GetWindowText(caption, kCaptionUnits);
    return std::u16string_view(caption) == kStartCaption;
}

void CMainDlg::OnStartStop() {
    const bool start = StartCaptionShown();
    const auto device = static_cast<int>(GetDlgItem(IDC_DEVICE)->SendMessage(CB_GETCURSEL, 0, 0));
    const auto function =
        static_cast<int>(GetDlgItem(IDC_FUNCTION)->SendMessage(CB_GETCURSEL, 0, 0));
    if (start) {
        GetDlgItem(IDC_START)->SetWindowText(kStopCaption);
        EnableInputs(FALSE);
        // A meter stopped less than a second ago still waits for its last completion. Whatever
        // starts now, it goes first: it must not capture on through a Morse send, nor have its
        // completion taken for a new meter's.
        if (m_meter) {
            m_meter->Close();
            m_meter.reset();
        }
        if (function == kMeter) {
            m_meter = std::make_unique<CLevelMeter>(WAVE_MAPPER, GetSafeHwnd());
            m_levelSum = 0.0f;
            m_levelCount = 0;
            m_meter->QueueBuffer();
            // Without a buffer on a started device no completion will come to end the run.
            if (!m_meter->IsCapturing()) {
                OnStartStop();
            }
        } else if (function == kMorse) {
            WCHAR text[kTextUnits] = {};
            GetDlgItem(IDC_TEXT)->GetWindowText(text, kTextUnits);
            const BOOL framed = GetDlgItem(IDC_SIGNALS)->SendMessage(BM_GETCHECK, 0, 0) != 0;
            // An empty device list selects nothing, -1, which is the default device.
            m_sender =
                std::make_unique<CMorseSender>(static_cast<UINT>(device), GetSafeHwnd(), framed);
            // Nothing to play, no device, or a refused first write: no completion will come.
            if (!m_sender->BuildQueue(m_sender->EncodeText(text))) {
                OnStartStop();
            }
        }
        return;
    }
    GetDlgItem(IDC_START)->SetWindowText(kStartCaption.data());
    EnableInputs(TRUE);
    if (function == kMorse || function == kMeter) {
        if (m_sender) {
            m_sender->Close();
            m_sender.reset();
        }
    }
    // A running meter ends at its next completion; one that never got its buffer to a started
    // device will get none, so it is released now.
    if (m_meter && !m_meter->IsCapturing()) {
        m_meter->Close();
        m_meter.reset();
    }
}

LRESULT CMainDlg::OnWomDone(WPARAM wParam, LPARAM lParam) {
    const bool start = StartCaptionShown();
    // A completion from a device other than the current sender's (a closed one, or one of an
    // earlier sender) must not move this queue nor have its header, perhaps freed, read.
    if (!m_sender || m_sender->GetDevice() != reinterpret_cast<HWAVEOUT>(wParam)) {
        return 0;
    }
    if (!start) {
        const auto* finished = reinterpret_cast<const WAVEHDR*>(lParam);
        m_sender->NextBuffer();
        const bool written = m_sender->WriteCurrent();
        // A device that has failed hands back its header and refuses the next: the run is over
        // as surely as after the last element.
        if (finished->lpNext == nullptr || !written) {
            OnStartStop();
        }
    } else {
        m_sender->Close();
        m_sender.reset();
    }
    return 0;
}

LRESULT CMainDlg::OnWimData(WPARAM wParam, LPARAM lParam) {
    // Completions of a meter closed early (Start again, or the dialog closing) are ignored.
    if (!m_meter || m_meter->GetDevice() != reinterpret_cast<HWAVEIN>(wParam)) {
        return 0;
    }
    CWnd* frame = GetDlgItem(IDC_WAVEFORM);
    RECT rect{};
    frame->GetWindowRect(&rect);
    const int frameWidth = rect.right - rect.left;
    const int frameHeight = rect.bottom - rect.top;
    HDC frameDc = frame->GetDC();
    HDC memoryDc = CreateCompatibleDC(frameDc);
    // The trace sits 5 pixels inside the frame's sides and bottom and 20 below its top,
    // clear of the caption.
    const int width = frameWidth - 10;
    const int height = frameHeight - 25;
    HBITMAP bitmap = CreateCompatibleBitmap(memoryDc, width, height);
    SelectObject(memoryDc, bitmap);
    const int level = m_meter->MeasureAndDraw(memoryDc, width, height);
    m_levelSum = m_levelSum + static_cast<float>(level);
    m_levelCount = m_levelCount + 1;
    const auto average = static_cast<int>(m_levelSum / static_cast<float>(m_levelCount));
    WCHAR text[kLevelTextUnits];
    FormatLevelText(level, average, text);
    GetDlgItem(IDC_LEVEL)->SetWindowText(text);
    BitBlt(frameDc, 5, 20, width, height, memoryDc, 0, 0, SRCCOPY);
    DeleteDC(memoryDc);
    DeleteObject(bitmap);
    frame->ReleaseDC(frameDc);
    m_meter->UnprepareBuffer(reinterpret_cast<WAVEHDR*>(lParam));
    if (!StartCaptionShown()) {
        m_meter->QueueBuffer();
        // A device that has failed hands back its buffer and takes no other: the run ends.
        if (!m_meter->IsCapturing()) {
            OnStartStop();
        }
    } else {
        m_meter->Close();
        m_meter.reset();
    }
    return 0;
}
