#pragma once

class wxDialog;

// Starts keeping track of the dialogs whose modal loop runs (once per
// process; later calls do nothing).
void TrackModalDialogs();

// The dialog whose modal loop runs innermost, or null. The toolkit can only
// end that loop: asked to end an outer one while another runs inside it, it
// leaves that dialog hidden with its loop running on. The GTK file chooser
// is not among the top-level windows, so only the dialogs' own ShowModal
// tells where each one stands.
wxDialog* InnermostModalDialog();
