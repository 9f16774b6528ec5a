#include "app/ModuleAutorun.h"

#include "platform/AutostartEntry.h"

namespace tarvelo {

void ModuleAutorun::AddAutorun() { entry_.Write(executablePath_); }

void ModuleAutorun::RemoveAutorun() { entry_.Remove(); }

int StartOptions::LoadAutorun() {
  const int value = CheckValueFromSetting(settings_.ReadSetting(keys::Autorun));
  ApplyAutorun(value);
  return value;
}

int StartOptions::LoadAutomin() const { return CheckValueFromSetting(settings_.ReadSetting(keys::Automin)); }

void StartOptions::CheckAutoRunClick(int value) {
  ApplyAutorun(value);
  settings_.WriteSetting(keys::Autorun, CheckValueText(value != 0));
}

void StartOptions::CheckAutoMinClick(int value) { settings_.WriteSetting(keys::Automin, CheckValueText(value != 0)); }

void StartOptions::ApplyAutorun(int value) {
  if (value != 0) {
    autorun_.AddAutorun();
  } else {
    autorun_.RemoveAutorun();
  }
}

}  // namespace tarvelo
