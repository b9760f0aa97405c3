// Windows-1252, the character set of every text of the program.
#pragma once

#include <string>

namespace vandoral {

// The Unicode code point of a Windows-1252 byte. The five bytes that code
// page leaves undefined map to themselves, so every byte survives a round trip.
char32_t Cp1252ToUnicode(unsigned char byte);
// The Windows-1252 byte of a code point; '?' when the code page lacks it.
unsigned char UnicodeToCp1252(char32_t code);

} // namespace vandoral
