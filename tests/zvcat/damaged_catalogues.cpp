// placeholder: filled in by the zvcat work
