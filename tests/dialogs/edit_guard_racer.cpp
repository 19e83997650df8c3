// Placeholder: the second process of the edit guard race lands here.
int main() { return 1; }
