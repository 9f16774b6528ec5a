#include "forms/Form.h"

#include <cstdio>
#include <cstdlib>

namespace tarvelo::form {

const Control& Form::operator[](std::string_view controlName) const {
  for (const Control& control : controls) {
    if (controlName == control.name) return control;
  }
  std::fprintf(stderr, "form %s has no control %.*s\n", name, static_cast<int>(controlName.size()),
               controlName.data());
  std::abort();
}

}  // namespace tarvelo::form
