#pragma once

#include <QIcon>
#include <QMap>
#include <QToolButton>

// Tool button whose icon follows the value of one dynamic property.
class ui_tool_button_t : public QToolButton {
    Q_OBJECT
public:
    explicit ui_tool_button_t(QWidget* parent = nullptr);
    ui_tool_button_t(const QIcon& icon, const QSize& size, QWidget* parent = nullptr);

    // Watches the property name; the current icon stays until its value is set.
    void set_icon_property(const QString& name, const QMap<QString, QIcon>& icons,
                           const QSize& size);
    // Sets the property; for the watched one also the icon of that value, if any.
    void set_property_value(const char* name, const QString& value);

private:
    QString m_property_name;
    QMap<QString, QIcon> m_property_icons;
};
