// Gives the widget support library a source file while it has no other.
