// The one camera object of a library per process, behind its exports.
#pragma once

#include <memory>
#include <mutex>

template <typename Impl, typename Msg> class LibraryInstance {
public:
    // Null for a null message interface; later calls return the first
    // instance, which keeps its first message interface.
    static Impl* Create(Msg* msg)
    {
        if (msg == nullptr) {
            return nullptr;
        }
        std::lock_guard<std::mutex> lock(mutex());
        if (!holder()) {
            holder() = std::make_unique<Impl>(msg);
        }
        return holder().get();
    }

    // The instance when object is it (seen as its base Base), else null.
    template <typename Base> static Impl* Find(const Base* object)
    {
        std::lock_guard<std::mutex> lock(mutex());
        Impl* const instance = holder().get();
        return instance != nullptr && static_cast<const Base*>(instance) == object ? instance
                                                                                   : nullptr;
    }

    static void Delete()
    {
        std::lock_guard<std::mutex> lock(mutex());
        holder().reset();
    }

private:
    static std::mutex& mutex()
    {
        static std::mutex lock;
        return lock;
    }
    // Unloading the library destroys the instance with this holder.
    static std::unique_ptr<Impl>& holder()
    {
        static std::unique_ptr<Impl> instance;
        return instance;
    }
};
