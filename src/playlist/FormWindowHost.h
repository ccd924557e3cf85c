#pragma once

#include "platform/FormInstance.h"
#include "playlist/IPlayListWindow.h"

namespace lumadeck {

// Hands the controller the program-wide playlist window kept by a
// FormInstance: loaded on first use, loaded afresh after an unload. The
// window's own unload steps (telling its controller that it is no longer
// shown) belong to the window.
template <class T> class FormWindowHost : public IPlayListWindowHost {
public:
    explicit FormWindowHost(FormInstance<T>& form) : m_form(form) {}
    IPlayListWindow& Window() override { return m_form.get(); }
    bool IsLoaded() const override { return m_form.isLoaded(); }
    void Unload() override { m_form.unload(); }

private:
    FormInstance<T>& m_form;
};

} // namespace lumadeck
