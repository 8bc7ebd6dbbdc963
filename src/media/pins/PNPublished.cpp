#include "media/pins/PNPublished.h"

#include <algorithm>
#include <memory>

#include "media/pins/PNComponent.h"
#include "media/pins/PNExtCollection.h"
#include "platform/ComponentStream.h"

namespace oculon::pins {

using platform::TFiler;
using platform::TReader;
using platform::TWriter;

TPropInfo PNObjectProp(std::string name, TPersistent& object) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TTypeKind::tkClass;
    p.Object = [&object] { return &object; };
    return p;
}

TPropList PNSortedProps(TPropList props) {
    std::stable_sort(props.begin(), props.end(),
                     [](const TPropInfo& a, const TPropInfo& b) { return a.Name < b.Name; });
    return props;
}

void GLPAssign(const TPropList& dest, const TPropList& source, bool skipName) {
    for (const TPropInfo& d : dest) {
        if ((skipName && d.Name == "Name") || !d.Stored) continue;
        const auto s = std::find_if(source.begin(), source.end(), [&](const TPropInfo& p) { return p.Name == d.Name; });
        if (s == source.end() || s->Kind != d.Kind) continue;
        if (d.Kind != TTypeKind::tkClass) {
            if (d.Set && s->Get) d.Set(s->Get());
            continue;
        }
        // Settings objects are assigned; references to components and pins are not properties here.
        TPersistent* to = d.Object ? d.Object() : nullptr;
        TPersistent* from = s->Object ? s->Object() : nullptr;
        if (to && from && to != from) to->Assign(*from);
    }
}

bool GLPIsFloat(const TPropInfo& prop) {
    return prop.Kind == TTypeKind::tkFloat && prop.TypeName != "TTime" && prop.TypeName != "TDate" &&
           prop.TypeName != "TDateTime";
}

namespace {
bool isZeroFloat(const TPropInfo& p) { return GLPIsFloat(p) && std::get<long double>(p.Get()) == 0; }
}  // namespace

bool GLPHasFloats(const TPropList& props) { return std::any_of(props.begin(), props.end(), isZeroFloat); }

void GLPWriteFloats(TWriter& writer, const TPropList& props) {
    writer.WriteListBegin();
    for (const TPropInfo& p : props) {
        if (!isZeroFloat(p)) continue;
        writer.WriteListBegin();
        writer.WriteIdent(p.Name);
        writer.WriteFloat(std::get<long double>(p.Get()));
        writer.WriteListEnd();
    }
    writer.WriteListEnd();
}

void GLPReadFloats(TReader& reader, const TPropList& props) {
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
        reader.ReadListBegin();
        const std::string name = reader.ReadIdent();
        const long double value = reader.ReadFloat();
        reader.ReadListEnd();
        const auto p = std::find_if(props.begin(), props.end(), [&](const TPropInfo& i) { return i.Name == name; });
        if (p != props.end() && GLPIsFloat(*p) && p->Set) reader.Apply([set = p->Set, value] { set(value); });
    }
    reader.ReadListEnd();
}

void GLPDefineFloats(TFiler& filer, std::function<TPropList()> props) {
    const TPropList list = props();
    filer.DefineProperty(
        "_Floats", [list](TReader& r) { GLPReadFloats(r, list); }, [list](TWriter& w) { GLPWriteFloats(w, list); },
        GLPHasFloats(list));
}

namespace {

bool storedValue(const TPropInfo& p) {
    const TPropValue v = p.Get();
    switch (p.Kind) {
        case TTypeKind::tkOrdinal:
        case TTypeKind::tkInt64: return !p.Default || std::get<std::int64_t>(v) != *p.Default;
        case TTypeKind::tkFloat: return std::get<long double>(v) != 0;
        case TTypeKind::tkString: return !std::get<std::string>(v).empty();
        case TTypeKind::tkClass: break;
    }
    return false;
}

void defineValue(TFiler& filer, const TPropInfo& p) {
    filer.DefineProperty(
        p.Name,
        [p](TReader& r) {
            TPropValue v;
            switch (p.Kind) {
                case TTypeKind::tkOrdinal:
                    v = r.NextValue() == platform::TValueType::vaTrue || r.NextValue() == platform::TValueType::vaFalse
                            ? std::int64_t{r.ReadBoolean()}
                            : r.ReadInteger();
                    break;
                case TTypeKind::tkInt64: v = r.ReadInteger(); break;
                case TTypeKind::tkFloat: v = r.ReadFloat(); break;
                default: v = r.ReadString(); break;
            }
            r.Apply([set = p.Set, v] { set(v); });
        },
        [p](TWriter& w) {
            const TPropValue v = p.Get();
            if (p.Kind == TTypeKind::tkFloat) w.WriteFloat(std::get<long double>(v));
            else if (p.Kind == TTypeKind::tkString) w.WriteString(std::get<std::string>(v));
            else if (p.TypeName == "Boolean") w.WriteBoolean(std::get<std::int64_t>(v) != 0);
            else w.WriteInteger(std::get<std::int64_t>(v));
        },
        storedValue(p));
}

// Every property of one object (published, then its own defined ones) under the filer's prefix.
void defineObject(TFiler& filer, TPersistent& object) {
    PNDefinePublishedProperties(filer, object.PropList());
    object.DefineProperties(filer);
}

void defineCollection(TFiler& filer, const std::string& name, TPNExtCollection& collection) {
    filer.DefineProperty(
        name,
        [&collection](TReader& r) {
            // The items are made apart and take the place of the collection's
            // items when the stream has read through, before their properties
            // are set (a collection may give a new item values of its own).
            const auto stored = r.ReadCollection();
            auto items = std::make_shared<std::vector<std::unique_ptr<TPNExtCollectionItem>>>();
            for (std::size_t i = 0; i < stored.size(); ++i) {
                items->push_back(collection.NewItem());
                if (!items->back()) r.Fail("the collection cannot make items");
            }
            r.Apply([&collection, items] {
                collection.Clear();
                for (auto& item : *items) collection.AddItem(std::move(item));
            });
            for (std::size_t i = 0; i < stored.size(); ++i) {
                const auto& props = stored[i];
                std::vector<bool> used(props.size());
                platform::TPropertyReadFiler itemFiler(props, used, r.Queue());
                defineObject(itemFiler, *(*items)[i]);
                for (std::size_t k = 0; k < used.size(); ++k)
                    if (!used[k]) r.Fail("unknown item property \"" + props[k].Name + "\"");
            }
        },
        [&collection](TWriter& w) {
            std::vector<std::vector<platform::TStreamProperty>> items;
            for (std::size_t i = 0; i < collection.Count(); ++i) {
                items.emplace_back();
                platform::TPropertyWriteFiler itemFiler(items.back());
                defineObject(itemFiler, collection.Items(i));
            }
            w.WriteCollection(std::move(items));
        },
        collection.Count() > 0);
}

}  // namespace

void PNDefinePublishedProperties(TFiler& filer, const TPropList& props) {
    for (const TPropInfo& p : props) {
        if (!p.Stored || p.Name == "Name") continue;  // a component's name is its object's name
        if (p.Kind != TTypeKind::tkClass) {
            if (p.Set && p.Get) defineValue(filer, p);
            continue;
        }
        TPersistent* object = p.Object ? p.Object() : nullptr;
        if (!object) continue;
        if (auto* collection = dynamic_cast<TPNExtCollection*>(object)) {
            defineCollection(filer, p.Name, *collection);
            continue;
        }
        const std::string outer = filer.Prefix();
        filer.SetPrefix(outer + p.Name + ".");
        defineObject(filer, *object);
        filer.SetPrefix(outer);
    }
}

}  // namespace oculon::pins
