#pragma once

#include "framework/forms/form.h"
#include "framework/ui/scripted_ui_port.h"

namespace cmp::scenario {

// The scripted port, remembering which modeless form came up last.
class ScenarioUiPort : public fw::ScriptedUiPort
{
public:
    void showModeless(fw::Form& form) override
    {
        ScriptedUiPort::showModeless(form);
        lastModeless_ = form.Name();
    }

    // The name of the modeless form shown last, which a scenario acts on
    // unless it chooses another.
    const QString& lastModeless() const { return lastModeless_; }

private:
    QString lastModeless_;
};

} // namespace cmp::scenario
