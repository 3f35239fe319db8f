#pragma once

#include "DialogTemplates.h"

#include <vector>

// The main template less one control, for the paths where a handler finds a control missing.
class TemplateWithout {
public:
    explicit TemplateWithout(int id)
    {
        for (const ControlTemplate& control : kMainTemplate.controls) {
            if (control.id != id) {
                m_controls.push_back(control);
            }
        }
        m_template = kMainTemplate;
        m_template.controls = m_controls;
    }
    const DialogTemplate& get() const { return m_template; }

private:
    std::vector<ControlTemplate> m_controls;
    DialogTemplate m_template {};
};
