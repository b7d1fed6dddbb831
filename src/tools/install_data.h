// The tables a new installation starts with: the company and parameters records in the
// working folder and a small demonstration data set in BAZA\KADRY, so that every window has
// something to show on the first run.
#pragma once

#include <string>

namespace lumiro::tools {

// Creates FIRMA.DB, KAD.DB and BAZA/KADRY/{ZLEC,RP7,ZAR,ZAL,ZAL2,ZAL3}.DB in `folder`,
// replacing tables of those names that are already there. The content is fixed, so two runs
// give the same records.
void writeInstallData(const std::string& folder);

// The PESEL number's check digit completed for the first ten digits.
std::string withPeselCheckDigit(const std::string& tenDigits);

}  // namespace lumiro::tools
