// Documents shipped beside the program: the HTML guide and the help document. They are
// found relative to the working folder, which is the program folder when the program runs.
#pragma once

#include <QString>
#include <QUrl>

namespace lumiro::platform {
class Prompter;
class ShellOpener;
}  // namespace lumiro::platform

namespace lumiro::app {

// The guide sections opened from the welcome screen. Names are fixed, spaces and Polish
// letters included, because guide pages link to one another by them.
namespace guide {
inline constexpr char16_t kLaw[] = u"LUMIRO/prawo/prawo spis.htm";
inline constexpr char16_t kEstablishing[] = u"LUMIRO/ustalanie/ustal spis.htm";
inline constexpr char16_t kDocumentation[] = u"LUMIRO/dokumentacja/dokum spis.htm";
inline constexpr char16_t kWorkplace[] = u"LUMIRO/zakł pracy/zakł spis.htm";
inline constexpr char16_t kRules[] = u"LUMIRO/zasady/zasady spis.htm";
inline constexpr char16_t kExamples[] = u"LUMIRO/przykłady/przykłady spis.htm";
}  // namespace guide

// The program's help file is known by its historical name "Lumiro.HLP" (Startup::helpFile);
// what we ship in its place is this HTML document, whose topics are anchors.
//
// Topics are named after help context numbers, the one place where the naming is decided:
// the topic of number N is the anchor "idN" (id="id3" for 3). The controls that carry a
// number are listed in the document with their topics; a number without an anchor of its own
// still opens the document, at its top. Number 0 (no control has one, or the menu "Pomoc")
// opens the first topic, "id1".
inline constexpr char16_t kHelpDocument[] = u"help/lumiro_pomoc.html";
inline constexpr char16_t kHelpContentsTopic[] = u"id1";

// A file URL for `relativePath` under the current folder, matching existing names without
// regard to letter case. A missing file still gets its URL: whatever opens it reports that.
QUrl localDocumentUrl(const QString& relativePath, const QString& fragment = {});

// The help document opened at `topic`.
QUrl helpTopicUrl(const QString& topic = QString::fromUtf16(kHelpContentsTopic));

// The anchor of a help context number's topic ("id3"); "id1" for 0 or less.
QString helpTopic(int context);
// Opens the help document at `context`'s topic through the shell. A missing document, or
// nothing to open it with, is reported through the prompter; false then.
bool openHelp(platform::ShellOpener& shell, platform::Prompter& prompter, int context);

}  // namespace lumiro::app
