#pragma once

// The slot through which the engine services reach one interface of the layer above (the main
// window, the play lists, the lyrics, the folders, the update dialog). The layer above installs
// its implementation once it exists and removes it (install(nullptr)) before it goes; until then,
// and in tests, the services talk to a default implementation that logs and answers as an empty
// window would.
//
// Installed seams are not owned. Threads: GUI thread only, like every seam operation.
template <class T> class Seam
{
public:
    // The installed implementation, or fallback when none is. Never null.
    static T *current(T &fallback) { return s_installed ? s_installed : &fallback; }
    // The installed implementation; null when the default answers.
    static T *installed() { return s_installed; }
    // nullptr restores the default.
    static void install(T *seam) { s_installed = seam; }

private:
    static inline T *s_installed = nullptr;
};

// Installs a seam for the lifetime of a scope and puts back whatever was installed before, also
// when the scope is left by an early return or a failed test check.
template <class T> class ScopedSeam
{
public:
    explicit ScopedSeam(T *seam)
        : m_previous(Seam<T>::installed())
    {
        Seam<T>::install(seam);
    }
    ~ScopedSeam() { Seam<T>::install(m_previous); }

    ScopedSeam(const ScopedSeam &) = delete;
    ScopedSeam &operator=(const ScopedSeam &) = delete;

private:
    T *m_previous;
};
