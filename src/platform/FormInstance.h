#pragma once

#include <QPointer>
#include <QWidget>

namespace lumadeck {

// One program-wide instance of a window: created (and so loaded) on first
// use, and created afresh the next time it is used after it was unloaded.
template <class T> class FormInstance {
public:
    // The one instance. A new window is known as the instance before its
    // load steps (Form_Load, where it has them) run, so that they can name it
    // and even unload it again.
    T& get() {
        if (m_form.isNull()) {
            T* form = new T();
            m_form = form;
            if constexpr (requires { form->Form_Load(); }) {
                form->Form_Load();
            }
            if (m_form.isNull()) {
                // Unloaded by its own load steps: hand back the window that
                // is on its way out, as the caller still holds a reference.
                return *form;
            }
        }
        return *m_form;
    }
    T* operator->() { return &get(); }

    bool isLoaded() const { return !m_form.isNull(); }
    T* ifLoaded() const { return m_form.data(); }

    // Forgets the instance and destroys the window once control is back in
    // the event loop. The next get() creates a new one.
    void unload() {
        if (m_form.isNull()) {
            return;
        }
        T* form = m_form.data();
        m_form.clear();
        form->hide();
        form->deleteLater();
    }

private:
    QPointer<T> m_form;
};

} // namespace lumadeck
