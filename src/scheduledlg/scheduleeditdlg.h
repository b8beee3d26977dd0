#pragma once

#include "schedule/schedule.h"
#include "scheduledlg/scheduleeditdlgbase.h"

// Edits one schedule record: a working copy, filled into the controls when
// the dialog opens and written back by "Ok" or "Apply" when every field is
// valid. Invalid fields turn red instead of raising a message box.
class ScheduleEditDlg : public ScheduleEditDlgBase
{
public:
    explicit ScheduleEditDlg(wxWindow* parent);

    void SetSchedule(const Schedule& schedule) { m_schedule = schedule; }
    Schedule GetSchedule() const { return m_schedule; }

    // Fills the controls, then runs the dialog: wxID_OK or wxID_CANCEL.
    int ShowModal() override;

    void LoadControls();
    // 0 when the controls were valid and copied into the working record,
    // else -1 with the first invalid field marked red.
    int SaveControls();
    // Seconds after midnight (0 to 86399) of a time of day, or -1 when the
    // text is no time or has more than blanks after it.
    static int ParseTimeOfDay(const wxString& text);
    // Enables or disables "Apply" and "Revert".
    void SetModified(bool modified);

protected:
    void OnNameText(wxCommandEvent& event) override;
    void OnActionChoice(wxCommandEvent& event) override;
    void OnEnabledCheck(wxCommandEvent& event) override;
    void OnRepeatChoice(wxCommandEvent& event) override;
    void OnDateChanged(wxDateEvent& event) override;
    void OnTimeKillFocus(wxFocusEvent& event) override;
    void OnTimeText(wxCommandEvent& event) override;
    void OnDayCheck(wxCommandEvent& event) override;
    void OnOk(wxCommandEvent& event) override;
    void OnApply(wxCommandEvent& event) override;
    void OnRevert(wxCommandEvent& event) override;
    void OnCancel(wxCommandEvent& event) override;

private:
    void ApplyEnablingRules();
    // Ends a modal run; a dialog shown without one is hidden with the code.
    void Finish(int code);

    Schedule m_schedule;
};
