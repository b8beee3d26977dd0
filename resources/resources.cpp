#include "resources.h"

#include "resources_data.h"

#include <wx/image.h>
#include <wx/mstream.h>

namespace {

const EmbeddedResource* FindResource(const wxString& name)
{
    for (size_t i = 0; i < theEmbeddedResourceCount; ++i)
        if (name == theEmbeddedResources[i].name)
            return &theEmbeddedResources[i];
    return nullptr;
}

} // namespace

wxBitmap LoadResourceBitmap(const wxString& name)
{
    const EmbeddedResource* resource = FindResource(name);
    if (!resource)
        return wxBitmap();
    wxMemoryInputStream stream(resource->data, resource->size);
    wxImage image;
    if (!image.LoadFile(stream, wxBITMAP_TYPE_PNG))
        return wxBitmap();
    return wxBitmap(image);
}

wxIcon LoadResourceIcon(const wxString& name)
{
    wxIcon icon;
    const wxBitmap bitmap = LoadResourceBitmap(name);
    if (bitmap.IsOk())
        icon.CopyFromBitmap(bitmap);
    return icon;
}
