// Who makes and who publishes the program, as the welcome screen and the About window show
// it. The addresses are ours to change in one place; the driver error of the data module
// points at the same maker's site.
#pragma once

namespace lumiro::app::contact {

// The maker: writes the program and takes orders.
inline constexpr char16_t kMakerName[] = u">VX< Bertwald";
inline constexpr char16_t kMakerAddress[] = u"ul. Wiosenna 7, 00-950 Warszawa";
inline constexpr char16_t kMakerTelephone[] = u"22 555 01 70";
inline constexpr char16_t kMakerWeb[] = u"https://lumiro.example.pl";
inline constexpr char16_t kMakerOrderPage[] = u"https://lumiro.example.pl/zamowienia";
inline constexpr char16_t kMakerEmail[] = u"biuro@lumiro.example.pl";
inline constexpr char16_t kMakerLine[] =
    u">VX< Bertwald, ul. Wiosenna 7, 00-950 Warszawa, tel. 22 555 01 70";

// The publisher: sells the program together with its guide.
inline constexpr char16_t kPublisherLine[] =
    u"Wydawnictwo Przykładowe Kadry sp. z o.o., ul. Papierowa 12, 31-000 Kraków, "
    u"tel. 12 555 02 80";
inline constexpr char16_t kPublisherWeb[] = u"https://kadry.example.pl";
inline constexpr char16_t kPublisherEmail[] = u"zamowienia@kadry.example.pl";

}  // namespace lumiro::app::contact
