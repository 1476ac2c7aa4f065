// xfce4-desktop channel files as Xfce writes them, for the tests that read them.
#pragma once

#include <string>

inline std::string XfceChannel(const std::string& monitors, const std::string& backdrop = "")
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>

<channel name="xfce4-desktop" version="1.0">
  <property name="desktop-icons" type="empty">
    <property name="last-image" type="string" value="/not/this.png"/>
  </property>
  <property name="backdrop" type="empty">)" +
           backdrop + R"(
    <property name="screen0" type="empty">)" +
           monitors + R"(
    </property>
  </property>
</channel>
)";
}

inline std::string XfceMonitor(const std::string& name, const std::string& workspace, const std::string& body)
{
    return "<property name=\"monitor" + name + "\" type=\"empty\"><property name=\"" + workspace +
           "\" type=\"empty\">" + body + "</property></property>";
}
