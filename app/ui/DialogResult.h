#pragma once

// What a dialog's event handler asks of its front end: keep the modal run
// going, or end it with OK (IDOK) or Cancel (IDCANCEL). A modal runner
// reports how a run ended with Ok or Cancel.
enum class DialogResult { None, Ok, Cancel };
