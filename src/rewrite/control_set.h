// Control-set normalization of key paths: the first "CurrentControlSet"
// and then the first of each of ControlSet002..ControlSet009 (letter case
// ignored, plain substring match) become "ControlSet001".
#ifndef TOVRIX_REWRITE_CONTROL_SET_H_
#define TOVRIX_REWRITE_CONTROL_SET_H_

#include <string>
#include <string_view>

namespace tovrix {

std::string NormalizeControlSetPath(std::string_view path);

}  // namespace tovrix

#endif  // TOVRIX_REWRITE_CONTROL_SET_H_
