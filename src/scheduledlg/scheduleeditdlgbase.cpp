#include "scheduledlg/scheduleeditdlgbase.h"

ScheduleEditDlgBase::ScheduleEditDlgBase(wxWindow* parent, wxWindowID id, const wxString& title, const wxPoint& pos,
                                         const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style)
{
    this->SetSizeHints(wxDefaultSize, wxDefaultSize);

    wxBoxSizer* mainSizer = new wxBoxSizer(wxVERTICAL);

    wxBoxSizer* topSizer = new wxBoxSizer(wxHORIZONTAL);
    m_nameLabel = new wxStaticText(this, wxID_ANY, wxT("Name:"), wxDefaultPosition, wxDefaultSize, 0);
    topSizer->Add(m_nameLabel, 0, wxALL | wxALIGN_CENTER_VERTICAL, 5);
    m_nameText = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, 0);
    topSizer->Add(m_nameText, 0, wxALL, 5);
    topSizer->Add(0, 0, 1, wxEXPAND, 5);
    m_actionLabel = new wxStaticText(this, wxID_ANY, wxT("Action:"), wxDefaultPosition, wxDefaultSize, 0);
    topSizer->Add(m_actionLabel, 0, wxALL | wxALIGN_CENTER_VERTICAL, 5);
    wxString actionChoices[] = {wxT("Turn Off"), wxT("Turn On")};
    m_actionChoice = new wxChoice(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, 2, actionChoices, 0);
    m_actionChoice->SetSelection(0);
    topSizer->Add(m_actionChoice, 0, wxALL, 5);
    topSizer->Add(0, 0, 1, wxEXPAND, 5);
    m_enabledBox = new wxCheckBox(this, wxID_ANY, wxT("Enabled"), wxDefaultPosition, wxDefaultSize, 0);
    topSizer->Add(m_enabledBox, 0, wxALL | wxALIGN_CENTER_VERTICAL, 5);
    mainSizer->Add(topSizer, 0, wxEXPAND, 5);

    m_topLine = new wxStaticLine(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLI_HORIZONTAL);
    mainSizer->Add(m_topLine, 0, wxEXPAND | wxALL, 5);

    wxBoxSizer* middleSizer = new wxBoxSizer(wxHORIZONTAL);

    wxFlexGridSizer* whenSizer = new wxFlexGridSizer(0, 2, 0, 0);
    whenSizer->SetFlexibleDirection(wxBOTH);
    whenSizer->SetNonFlexibleGrowMode(wxFLEX_GROWMODE_SPECIFIED);
    m_repeatLabel = new wxStaticText(this, wxID_ANY, wxT("Repeats:"), wxDefaultPosition, wxDefaultSize, 0);
    whenSizer->Add(m_repeatLabel, 0, wxALL | wxALIGN_CENTER_VERTICAL | wxALIGN_RIGHT, 5);
    wxString repeatChoices[] = {wxT("Never"), wxT("Daily"), wxT("Weekly"), wxT("Monthly")};
    m_repeatChoice = new wxChoice(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, 4, repeatChoices, 0);
    m_repeatChoice->SetSelection(0);
    whenSizer->Add(m_repeatChoice, 0, wxALL, 5);
    m_startLabel = new wxStaticText(this, wxID_ANY, wxT("Start Date:"), wxDefaultPosition, wxDefaultSize, 0);
    whenSizer->Add(m_startLabel, 0, wxALL | wxALIGN_CENTER_VERTICAL | wxALIGN_RIGHT, 5);
    m_startDate = new wxDatePickerCtrl(this, wxID_ANY, wxDefaultDateTime, wxDefaultPosition, wxDefaultSize,
                                       wxDP_DROPDOWN | wxDP_ALLOWNONE | wxDP_SHOWCENTURY);
    whenSizer->Add(m_startDate, 0, wxALL, 5);
    m_endLabel = new wxStaticText(this, wxID_ANY, wxT("End Date:"), wxDefaultPosition, wxDefaultSize, 0);
    whenSizer->Add(m_endLabel, 0, wxALL | wxALIGN_CENTER_VERTICAL | wxALIGN_RIGHT, 5);
    m_endDate = new wxDatePickerCtrl(this, wxID_ANY, wxDefaultDateTime, wxDefaultPosition, wxDefaultSize,
                                     wxDP_DROPDOWN | wxDP_ALLOWNONE | wxDP_SHOWCENTURY);
    whenSizer->Add(m_endDate, 0, wxALL, 5);
    m_timeLabel = new wxStaticText(this, wxID_ANY, wxT("Time:"), wxDefaultPosition, wxDefaultSize, 0);
    whenSizer->Add(m_timeLabel, 0, wxALL | wxALIGN_CENTER_VERTICAL | wxALIGN_RIGHT, 5);
    m_timeText = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(80, -1), 0);
    whenSizer->Add(m_timeText, 0, wxALL, 5);
    middleSizer->Add(whenSizer, 0, wxEXPAND, 5);

    wxBoxSizer* weekdaysSizer = new wxBoxSizer(wxVERTICAL);
    m_weekdaysBox = new wxCheckBox(this, wxID_ANY, wxT("Weekdays"), wxDefaultPosition, wxDefaultSize, 0);
    weekdaysSizer->Add(m_weekdaysBox, 0, wxALL, 5);
    m_weekdaysLine = new wxStaticLine(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLI_HORIZONTAL);
    weekdaysSizer->Add(m_weekdaysLine, 0, wxEXPAND | wxALL, 5);
    m_mondayBox = new wxCheckBox(this, wxID_ANY, wxT("Monday"), wxDefaultPosition, wxDefaultSize, 0);
    weekdaysSizer->Add(m_mondayBox, 0, wxALL, 5);
    m_tuesdayBox = new wxCheckBox(this, wxID_ANY, wxT("Tuesday"), wxDefaultPosition, wxDefaultSize, 0);
    weekdaysSizer->Add(m_tuesdayBox, 0, wxALL, 5);
    m_wednesdayBox = new wxCheckBox(this, wxID_ANY, wxT("Wednesday"), wxDefaultPosition, wxDefaultSize, 0);
    weekdaysSizer->Add(m_wednesdayBox, 0, wxALL, 5);
    m_thursdayBox = new wxCheckBox(this, wxID_ANY, wxT("Thursday"), wxDefaultPosition, wxDefaultSize, 0);
    weekdaysSizer->Add(m_thursdayBox, 0, wxALL, 5);
    m_fridayBox = new wxCheckBox(this, wxID_ANY, wxT("Friday"), wxDefaultPosition, wxDefaultSize, 0);
    weekdaysSizer->Add(m_fridayBox, 0, wxALL, 5);
    middleSizer->Add(weekdaysSizer, 0, wxEXPAND, 5);

    wxBoxSizer* weekendsSizer = new wxBoxSizer(wxVERTICAL);
    m_weekendsBox = new wxCheckBox(this, wxID_ANY, wxT("Weekends"), wxDefaultPosition, wxDefaultSize, 0);
    weekendsSizer->Add(m_weekendsBox, 0, wxALL, 5);
    m_weekendsLine = new wxStaticLine(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLI_HORIZONTAL);
    weekendsSizer->Add(m_weekendsLine, 0, wxEXPAND | wxALL, 5);
    m_saturdayBox = new wxCheckBox(this, wxID_ANY, wxT("Saturday"), wxDefaultPosition, wxDefaultSize, 0);
    weekendsSizer->Add(m_saturdayBox, 0, wxALL, 5);
    m_sundayBox = new wxCheckBox(this, wxID_ANY, wxT("Sunday"), wxDefaultPosition, wxDefaultSize, 0);
    weekendsSizer->Add(m_sundayBox, 0, wxALL, 5);
    middleSizer->Add(weekendsSizer, 0, wxEXPAND, 5);

    mainSizer->Add(middleSizer, 1, wxEXPAND, 5);

    wxBoxSizer* buttonSizer = new wxBoxSizer(wxHORIZONTAL);
    m_okButton = new wxButton(this, wxID_OK, wxT("Ok"), wxDefaultPosition, wxDefaultSize, 0);
    buttonSizer->Add(m_okButton, 0, wxALL, 5);
    m_applyButton = new wxButton(this, wxID_APPLY, wxT("Apply"), wxDefaultPosition, wxDefaultSize, 0);
    buttonSizer->Add(m_applyButton, 0, wxALL, 5);
    m_revertButton = new wxButton(this, wxID_REVERT_TO_SAVED, wxT("Revert"), wxDefaultPosition, wxDefaultSize, 0);
    buttonSizer->Add(m_revertButton, 0, wxALL, 5);
    m_cancelButton = new wxButton(this, wxID_CANCEL, wxT("Cancel"), wxDefaultPosition, wxDefaultSize, 0);
    buttonSizer->Add(m_cancelButton, 0, wxALL, 5);
    mainSizer->Add(buttonSizer, 0, wxEXPAND, 5);

    this->SetSizer(mainSizer);
    this->Layout();

    // Connect Events
    m_nameText->Bind(wxEVT_TEXT, &ScheduleEditDlgBase::OnNameText, this);
    m_actionChoice->Bind(wxEVT_CHOICE, &ScheduleEditDlgBase::OnActionChoice, this);
    m_enabledBox->Bind(wxEVT_CHECKBOX, &ScheduleEditDlgBase::OnEnabledCheck, this);
    m_repeatChoice->Bind(wxEVT_CHOICE, &ScheduleEditDlgBase::OnRepeatChoice, this);
    m_startDate->Bind(wxEVT_DATE_CHANGED, &ScheduleEditDlgBase::OnDateChanged, this);
    m_endDate->Bind(wxEVT_DATE_CHANGED, &ScheduleEditDlgBase::OnDateChanged, this);
    m_timeText->Bind(wxEVT_KILL_FOCUS, &ScheduleEditDlgBase::OnTimeKillFocus, this);
    m_timeText->Bind(wxEVT_TEXT, &ScheduleEditDlgBase::OnTimeText, this);
    for (wxCheckBox* box : {m_weekdaysBox, m_mondayBox, m_tuesdayBox, m_wednesdayBox, m_thursdayBox, m_fridayBox,
                            m_weekendsBox, m_saturdayBox, m_sundayBox})
        box->Bind(wxEVT_CHECKBOX, &ScheduleEditDlgBase::OnDayCheck, this);
    m_okButton->Bind(wxEVT_BUTTON, &ScheduleEditDlgBase::OnOk, this);
    m_applyButton->Bind(wxEVT_BUTTON, &ScheduleEditDlgBase::OnApply, this);
    m_revertButton->Bind(wxEVT_BUTTON, &ScheduleEditDlgBase::OnRevert, this);
    m_cancelButton->Bind(wxEVT_BUTTON, &ScheduleEditDlgBase::OnCancel, this);
}

ScheduleEditDlgBase::~ScheduleEditDlgBase()
{
    // Disconnect Events
    m_nameText->Unbind(wxEVT_TEXT, &ScheduleEditDlgBase::OnNameText, this);
    m_actionChoice->Unbind(wxEVT_CHOICE, &ScheduleEditDlgBase::OnActionChoice, this);
    m_enabledBox->Unbind(wxEVT_CHECKBOX, &ScheduleEditDlgBase::OnEnabledCheck, this);
    m_repeatChoice->Unbind(wxEVT_CHOICE, &ScheduleEditDlgBase::OnRepeatChoice, this);
    m_startDate->Unbind(wxEVT_DATE_CHANGED, &ScheduleEditDlgBase::OnDateChanged, this);
    m_endDate->Unbind(wxEVT_DATE_CHANGED, &ScheduleEditDlgBase::OnDateChanged, this);
    m_timeText->Unbind(wxEVT_KILL_FOCUS, &ScheduleEditDlgBase::OnTimeKillFocus, this);
    m_timeText->Unbind(wxEVT_TEXT, &ScheduleEditDlgBase::OnTimeText, this);
    for (wxCheckBox* box : {m_weekdaysBox, m_mondayBox, m_tuesdayBox, m_wednesdayBox, m_thursdayBox, m_fridayBox,
                            m_weekendsBox, m_saturdayBox, m_sundayBox})
        box->Unbind(wxEVT_CHECKBOX, &ScheduleEditDlgBase::OnDayCheck, this);
    m_okButton->Unbind(wxEVT_BUTTON, &ScheduleEditDlgBase::OnOk, this);
    m_applyButton->Unbind(wxEVT_BUTTON, &ScheduleEditDlgBase::OnApply, this);
    m_revertButton->Unbind(wxEVT_BUTTON, &ScheduleEditDlgBase::OnRevert, this);
    m_cancelButton->Unbind(wxEVT_BUTTON, &ScheduleEditDlgBase::OnCancel, this);
}
