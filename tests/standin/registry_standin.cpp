#include "registry_standin.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>

namespace
{

constexpr LONG ERROR_INVALID_PARAMETER = 87;

struct Node
{
    std::string name;
    Node* parent = nullptr;
    std::vector<std::shared_ptr<Node>> children;
    std::map<std::string, std::string> values;
    standin::Lock lock = standin::Lock::None;
    bool deleted = false;
};

struct Registry
{
    std::shared_ptr<Node> root = std::make_shared<Node>();
    std::map<HKEY, std::shared_ptr<Node>> handles;
    std::uintptr_t nextHandle = 0x1000;
    standin::DeleteMode deleteMode = standin::DeleteMode::LeafOnly;
    std::vector<standin::JournalEntry> journal;
};

Registry& State()
{
    static Registry registry;
    return registry;
}

bool SameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::vector<std::string> Components(const std::string& path)
{
    std::vector<std::string> parts;
    if (path.empty())
    {
        return parts;
    }
    std::string::size_type start = 0;
    for (;;)
    {
        const auto end = path.find('\\', start);
        parts.push_back(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
        {
            return parts;
        }
        start = end + 1;
    }
}

std::shared_ptr<Node> Child(const Node& node, const std::string& name)
{
    for (const auto& child : node.children)
    {
        if (SameName(child->name, name))
        {
            return child;
        }
    }
    return nullptr;
}

std::shared_ptr<Node> Walk(std::shared_ptr<Node> node, const std::string& path)
{
    for (const std::string& part : Components(path))
    {
        node = Child(*node, part);
        if (!node)
        {
            return nullptr;
        }
    }
    return node;
}

std::string FullPath(const Node* node)
{
    std::string path;
    for (; node != nullptr && node->parent != nullptr; node = node->parent)
    {
        path.insert(0, path.empty() ? node->name : node->name + '\\');
    }
    return path;
}

std::shared_ptr<Node> Resolve(HKEY key)
{
    Registry& registry = State();
    if (key == HKEY_CLASSES_ROOT)
    {
        return registry.root;
    }
    const auto found = registry.handles.find(key);
    return found == registry.handles.end() ? nullptr : found->second;
}

std::shared_ptr<Node> Require(const std::string& path)
{
    auto node = Walk(State().root, path);
    if (!node)
    {
        throw std::invalid_argument("no such key in the stand-in: " + path);
    }
    return node;
}

void MarkDeleted(Node& node)
{
    node.deleted = true;
    for (const auto& child : node.children)
    {
        MarkDeleted(*child);
    }
}

std::string Unquote(const std::string& text, std::string::size_type& pos)
{
    std::string out;
    for (++pos; pos < text.size() && text[pos] != '"'; ++pos)
    {
        if (text[pos] == '\\' && pos + 1 < text.size())
        {
            ++pos;
        }
        out += text[pos];
    }
    ++pos;
    return out;
}

} // namespace

namespace standin
{

void Reset()
{
    State() = Registry{};
}

void SetDeleteMode(DeleteMode mode)
{
    State().deleteMode = mode;
}

void CreateKey(const std::string& path)
{
    std::shared_ptr<Node> node = State().root;
    for (const std::string& part : Components(path))
    {
        auto child = Child(*node, part);
        if (!child)
        {
            child = std::make_shared<Node>();
            child->name = part;
            child->parent = node.get();
            node->children.push_back(child);
        }
        node = child;
    }
}

void SetValue(const std::string& path, const std::string& name, const std::string& data)
{
    Require(path)->values[name] = data;
}

void LockKey(const std::string& path, Lock lock)
{
    Require(path)->lock = lock;
}

void LoadRegFile(const std::string& fileName)
{
    std::ifstream in(fileName);
    if (!in)
    {
        throw std::runtime_error("cannot read " + fileName);
    }
    const std::string rootName = "HKEY_CLASSES_ROOT";
    std::string line;
    std::string current;
    bool inRoot = false;
    while (std::getline(in, line))
    {
        if (!line.empty() && line.back() == '\r')
        {
            line.pop_back();
        }
        if (line.empty() || line[0] == ';' || line == "REGEDIT4")
        {
            continue;
        }
        if (line[0] == '[')
        {
            const std::string path = line.substr(1, line.size() - 2);
            inRoot = path.compare(0, rootName.size(), rootName) == 0;
            if (!inRoot)
            {
                continue; // other hives are not modelled
            }
            current = path.size() > rootName.size() ? path.substr(rootName.size() + 1) : std::string();
            CreateKey(current);
            continue;
        }
        if (!inRoot)
        {
            continue;
        }
        std::string::size_type pos = 0;
        const std::string name = line[0] == '@' ? (++pos, std::string()) : Unquote(line, pos);
        if (pos >= line.size() || line[pos] != '=')
        {
            throw std::runtime_error("unreadable line in " + fileName + ": " += line);
        }
        ++pos;
        const std::string data = line[pos] == '"' ? Unquote(line, pos) : line.substr(pos);
        SetValue(current, name, data);
    }
}

void RemoveKey(const std::string& path)
{
    const auto node = Require(path);
    Node* parent = node->parent;
    parent->children.erase(std::find(parent->children.begin(), parent->children.end(), node));
    MarkDeleted(*node);
}

bool KeyExists(const std::string& path)
{
    return Walk(State().root, path) != nullptr;
}

std::vector<std::string> ValueNames(const std::string& path)
{
    std::vector<std::string> names;
    for (const auto& value : Require(path)->values)
    {
        names.push_back(value.first);
    }
    return names;
}

std::vector<std::string> AllKeys()
{
    std::vector<std::string> keys;
    std::vector<const Node*> pending{State().root.get()};
    while (!pending.empty())
    {
        const Node* node = pending.back();
        pending.pop_back();
        for (const auto& child : node->children)
        {
            keys.push_back(FullPath(child.get()));
            pending.push_back(child.get());
        }
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

const std::vector<JournalEntry>& Journal()
{
    return State().journal;
}

void ClearJournal()
{
    State().journal.clear();
}

std::vector<HKEY> OpenHandles()
{
    std::vector<HKEY> open;
    for (const auto& handle : State().handles)
    {
        open.push_back(handle.first);
    }
    return open;
}

} // namespace standin

extern "C" LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD /*options*/, REGSAM desired, PHKEY result)
{
    Registry& registry = State();
    standin::JournalEntry entry{};
    entry.call = standin::Call::OpenKey;
    entry.key = key;
    entry.path = subKey == nullptr ? std::nullopt : std::optional<std::string>(subKey);
    entry.access = desired;

    const auto finish = [&](LONG status) {
        entry.status = status;
        registry.journal.push_back(entry);
        return status;
    };

    if (result == nullptr)
    {
        return finish(ERROR_INVALID_PARAMETER);
    }
    *result = nullptr;
    auto base = Resolve(key);
    if (!base)
    {
        return finish(ERROR_INVALID_HANDLE);
    }
    if (base->deleted)
    {
        return finish(ERROR_KEY_DELETED);
    }
    auto target = Walk(base, subKey == nullptr ? std::string() : std::string(subKey));
    if (!target)
    {
        return finish(ERROR_FILE_NOT_FOUND);
    }
    entry.keyPath = FullPath(target.get());
    // Only the target's own rights count; passing through a locked ancestor is allowed.
    if (target->lock == standin::Lock::AllAccess ||
        (target->lock == standin::Lock::FullAccess && (desired & ~KEY_READ) != 0))
    {
        return finish(ERROR_ACCESS_DENIED);
    }
    // A null or empty sub-path still gives a new handle, even on the root.
    const HKEY handle = reinterpret_cast<HKEY>(registry.nextHandle);
    registry.nextHandle += 4;
    registry.handles[handle] = target;
    *result = handle;
    entry.opened = handle;
    return finish(ERROR_SUCCESS);
}

extern "C" LONG RegDeleteKeyA(HKEY key, LPCSTR subKey)
{
    Registry& registry = State();
    standin::JournalEntry entry{};
    entry.call = standin::Call::DeleteKey;
    entry.key = key;
    entry.path = subKey == nullptr ? std::nullopt : std::optional<std::string>(subKey);

    const auto finish = [&](LONG status) {
        entry.status = status;
        registry.journal.push_back(entry);
        return status;
    };

    auto base = Resolve(key);
    if (!base)
    {
        return finish(ERROR_INVALID_HANDLE);
    }
    if (base->deleted)
    {
        return finish(ERROR_KEY_DELETED);
    }
    if (subKey == nullptr || *subKey == '\0')
    {
        return finish(ERROR_INVALID_PARAMETER);
    }
    auto target = Walk(base, subKey);
    if (!target)
    {
        return finish(ERROR_FILE_NOT_FOUND);
    }
    entry.keyPath = FullPath(target.get());
    if (target->lock != standin::Lock::None)
    {
        return finish(ERROR_ACCESS_DENIED);
    }
    if (registry.deleteMode == standin::DeleteMode::LeafOnly && !target->children.empty())
    {
        return finish(ERROR_ACCESS_DENIED);
    }
    Node* parent = target->parent;
    parent->children.erase(std::find(parent->children.begin(), parent->children.end(), target));
    MarkDeleted(*target);
    return finish(ERROR_SUCCESS);
}

extern "C" LONG RegCloseKey(HKEY key)
{
    Registry& registry = State();
    standin::JournalEntry entry{};
    entry.call = standin::Call::CloseKey;
    entry.key = key;
    LONG status = ERROR_SUCCESS;
    if (key != HKEY_CLASSES_ROOT && registry.handles.erase(key) == 0)
    {
        status = ERROR_INVALID_HANDLE;
    }
    entry.status = status;
    registry.journal.push_back(entry);
    return status;
}

extern "C" int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    standin::JournalEntry entry{};
    entry.call = standin::Call::MessageBox;
    entry.owner = owner;
    entry.text = text == nullptr ? "" : text;
    entry.caption = caption == nullptr ? "" : caption;
    entry.style = type;
    entry.status = IDOK;
    State().journal.push_back(entry);
    return IDOK;
}
