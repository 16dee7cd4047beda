#include "widget/ui_tool_button.h"

#include <QVariant>

ui_tool_button_t::ui_tool_button_t(QWidget* parent) : QToolButton(parent) {}

ui_tool_button_t::ui_tool_button_t(const QIcon& icon, const QSize& size, QWidget* parent)
    : QToolButton(parent) {
    setIcon(icon);
    setIconSize(size);
}

void ui_tool_button_t::set_icon_property(const QString& name, const QMap<QString, QIcon>& icons,
                                         const QSize& size) {
    m_property_name = name;
    m_property_icons = icons;
    setIconSize(size);
}

void ui_tool_button_t::set_property_value(const char* name, const QString& value) {
    setProperty(name, QVariant(value));
    if (QString::fromLatin1(name) != m_property_name) {
        return;
    }
    const QIcon icon = m_property_icons.value(value);
    if (!icon.isNull()) {
        setIcon(icon);
        setIconSize(QSize(24, 24));
    }
}
