// Placeholder: the screenshot program lands here.
int main() { return 1; }
