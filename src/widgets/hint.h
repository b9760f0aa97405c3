// The hint of a control: its tooltip, and the text the status bar shows.
#pragma once

class QString;
class QWidget;

namespace vandoral {

// As in "short|long", the part after '|' is the status-bar text.
void SetHint(QWidget *widget, const QString &hint);

} // namespace vandoral
