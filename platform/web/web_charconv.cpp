#include "platform/web/web_charconv.h"

#include "platform/web/shortest_float.h"

namespace std {

from_chars_result from_chars(const char* first, const char* last, float& value, chars_format)
{
    return qvweb::ReadFloat(first, last, value);
}

from_chars_result from_chars(const char* first, const char* last, double& value, chars_format)
{
    return qvweb::ReadFloat(first, last, value);
}

to_chars_result to_chars(char* first, char* last, float value) { return qvweb::WriteShortest(first, last, value); }

to_chars_result to_chars(char* first, char* last, double value) { return qvweb::WriteShortest(first, last, value); }

}  // namespace std
