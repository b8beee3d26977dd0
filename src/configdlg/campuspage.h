#pragma once

#include "settings/campussettings.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/panel.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include <memory>

// The configuration's "Campus" page: the "[Campus]" settings, with "Apply"
// and "Revert" as on the Options page, and "Test", which connects once in
// the background and shows "Connected" or the broker's reason.
class CampusPage : public wxPanel
{
public:
    explicit CampusPage(wxWindow* parent);
    ~CampusPage() override;

    // From the settings store; clean afterwards.
    void LoadSettings();
    // The values as the page shows them (the room as typed, empty included).
    CampusSettings ShownSettings() const;

    // The controls (tests drive them as the user would).
    wxCheckBox* m_enabledBox;
    wxTextCtrl* m_brokerText;
    wxTextCtrl* m_roomText;
    wxTextCtrl* m_prefixText;
    wxTextCtrl* m_userText;
    wxTextCtrl* m_passwordText;
    wxTextCtrl* m_caFileText;
    wxCheckBox* m_allowCommandsBox;
    wxCheckBox* m_discoveryBox;
    wxTextCtrl* m_discoveryPrefixText;
    wxButton* m_testButton;
    wxStaticText* m_testResult;
    wxButton* m_applyButton;
    wxButton* m_revertButton;

private:
    struct ProbeResult; // shared with the test's thread

    void OnChanged(wxCommandEvent& event);
    void OnApply(wxCommandEvent& event);
    void OnRevert(wxCommandEvent& event);
    void OnTest(wxCommandEvent& event);
    void OnTestTimer(wxTimerEvent& event);
    // Marks the fields that cannot be used; false when any is wrong.
    bool CheckFields();

    bool m_modified = false;
    std::shared_ptr<ProbeResult> m_probe;
    wxTimer m_testTimer;
    int m_testTicks = 0;
};
