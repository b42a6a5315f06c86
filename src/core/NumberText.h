#pragma once

#include <string>

// Numbers as text. On the wire and in stored settings a number is plain decimal text with "." as the
// separator and never an exponent (a server reads the leading number, so "1e+05" would arrive as 1).
// Shown to the operator it takes the regional decimal separator, still without digit grouping and with
// an ASCII minus, so that the text survives the Latin-1 boxes and reads back as the same number.
namespace pelorin {

// The shortest text that reads back as `value`, in plain decimal notation ("0.0001", "100000", "-2.5").
// A value that is not finite is no number: the empty text.
std::string DecimalText(double value);
// A Single with at most the 7 significant digits it holds for certain, in the same plain form ("8.5",
// "0.005555556", not "0.0055555557").
std::string SingleText(float value);
// Exactly `decimals` decimals (0..15), "." as separator, a half rounded away from zero as a format mask
// does ("20.25" gives "20.3"); the empty text for a value that is not finite.
std::string FixedText(double value, int decimals);

// DecimalText and FixedText with the user's decimal separator in place of ".".
std::string RegionalNumber(double value);
std::string RegionalFixed(double value, int decimals);

} // namespace pelorin
