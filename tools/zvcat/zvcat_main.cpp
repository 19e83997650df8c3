// placeholder: filled in by the zvcat work
int main() { return 2; }
