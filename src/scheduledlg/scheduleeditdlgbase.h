#pragma once

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/datectrl.h>
#include <wx/dateevt.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

// Layout of the schedule editor: builds the controls and connects their
// events to virtual handlers that only pass the event on.
class ScheduleEditDlgBase : public wxDialog
{
protected:
    wxStaticText* m_nameLabel;
    wxTextCtrl* m_nameText;
    wxStaticText* m_actionLabel;
    wxChoice* m_actionChoice;
    wxCheckBox* m_enabledBox;
    wxStaticLine* m_topLine;
    wxStaticText* m_repeatLabel;
    wxChoice* m_repeatChoice;
    wxStaticText* m_startLabel;
    wxDatePickerCtrl* m_startDate;
    wxStaticText* m_endLabel;
    wxDatePickerCtrl* m_endDate;
    wxStaticText* m_timeLabel;
    wxTextCtrl* m_timeText;
    wxCheckBox* m_weekdaysBox;
    wxStaticLine* m_weekdaysLine;
    wxCheckBox* m_mondayBox;
    wxCheckBox* m_tuesdayBox;
    wxCheckBox* m_wednesdayBox;
    wxCheckBox* m_thursdayBox;
    wxCheckBox* m_fridayBox;
    wxCheckBox* m_weekendsBox;
    wxStaticLine* m_weekendsLine;
    wxCheckBox* m_saturdayBox;
    wxCheckBox* m_sundayBox;
    wxButton* m_okButton;
    wxButton* m_applyButton;
    wxButton* m_revertButton;
    wxButton* m_cancelButton;

    // Virtual event handlers, override them in your derived class
    virtual void OnNameText(wxCommandEvent& event) { event.Skip(); }
    virtual void OnActionChoice(wxCommandEvent& event) { event.Skip(); }
    virtual void OnEnabledCheck(wxCommandEvent& event) { event.Skip(); }
    virtual void OnRepeatChoice(wxCommandEvent& event) { event.Skip(); }
    virtual void OnDateChanged(wxDateEvent& event) { event.Skip(); }
    virtual void OnTimeKillFocus(wxFocusEvent& event) { event.Skip(); }
    virtual void OnTimeText(wxCommandEvent& event) { event.Skip(); }
    virtual void OnDayCheck(wxCommandEvent& event) { event.Skip(); }
    virtual void OnOk(wxCommandEvent& event) { event.Skip(); }
    virtual void OnApply(wxCommandEvent& event) { event.Skip(); }
    virtual void OnRevert(wxCommandEvent& event) { event.Skip(); }
    virtual void OnCancel(wxCommandEvent& event) { event.Skip(); }

public:
    ScheduleEditDlgBase(wxWindow* parent, wxWindowID id = wxID_ANY, const wxString& title = wxT("Edit Schedule"),
                        const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(482, 324),
                        long style = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX);
    ~ScheduleEditDlgBase() override;
};
