#pragma once

#include <QString>
#include <QUrl>

namespace kivotra::shell {

// The product's website; the Help menu and the About window open it.
inline constexpr const char* kWebsiteAddress = "https://kivotra.example.com";

QUrl websiteUrl();
// "kivotra.example.com": what the About window shows after "官方网站：".
QString websiteHost();

// Opens the website in the default browser; nothing when the address does not parse.
void openWebsite();

// Shows the file selected in the file manager (the FileManager1 D-Bus service),
// else opens its folder. False when neither could be asked.
bool revealFile(const QString& path);

}  // namespace kivotra::shell
