// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader reads beside a control's own name: the names of the controls that label
// it.
#pragma once

#include <QAccessible>
#include <string>
#include <vector>

inline std::vector<std::string> AccessibleLabels(QAccessibleInterface* iface) {
    std::vector<std::string> names;
    for (const auto& [label, relation] : iface->relations(QAccessible::Label)) {
        names.push_back(label->text(QAccessible::Name).toStdString());
    }
    return names;
}
