// Self-registration: the keys of the application and of the three classes below the classes
// root, and the type library, machine-wide or for the current user.
#pragma once

#include "automation/Automation.h"

class CRegistrar {
  public:
    explicit CRegistrar(bool perUser) : perUser_(perUser) {}

    // The application, then each class in the object map's order; then the type library.
    HRESULT Register() const;
    // Each class, the type library, then the application; the first failure is returned.
    HRESULT Unregister() const;

  private:
    bool perUser_;
};
