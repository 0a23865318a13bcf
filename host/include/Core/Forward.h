#pragma once
// Declarations of the classes of adsk::core, for headers that only name them.

namespace adsk::core {

class Base;
template <class T> class Ptr;

class Application;
class UserInterface;
class CommandDefinitions;
class CommandDefinition;
class Toolbars;
class Toolbar;
class Workspaces;
class Workspace;
class ToolbarPanels;
class ToolbarPanel;
class ToolbarControls;
class ToolbarControl;
class CommandControl;
class Command;
class CommandInputs;
class Event;
class CommandCreatedEvent;
class CommandEvent;
class EventArgs;
class CommandCreatedEventArgs;
class CommandEventArgs;
class EventHandler;
class CommandCreatedEventHandler;
class CommandEventHandler;
class FileDialog;
class Preferences;
class GeneralPreferences;
class Document;
class Products;
class Product;
class UnitsManager;
class Viewport;
class Camera;
class Point3D;
class Vector3D;
class Matrix3D;
class Appearance;
class AppearanceTexture;
class Color;
class Properties;
class Property;
class ColorProperty;
class FilenameProperty;
class FloatProperty;
class IntegerProperty;
class BooleanProperty;
class StringProperty;

} // namespace adsk::core
